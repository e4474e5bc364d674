#pragma once
// Multimedia file I/O over a memory block ("MEM " I/O procedure): RIFF chunk
// descent and reads, as the WAV objects parse their data. Reads and chunk
// sizes never reach past the block.
#include "platform/win32/win_types.h"

using FOURCC = DWORD;
using HPSTR = char*;
struct HMMIO__;
using HMMIO = HMMIO__*;
using MMRESULT = UINT;

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<FOURCC>(static_cast<uint8_t>(a)) | (static_cast<FOURCC>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<FOURCC>(static_cast<uint8_t>(c)) << 16) | (static_cast<FOURCC>(static_cast<uint8_t>(d)) << 24);
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

struct MMIOINFO {
  DWORD dwFlags;
  FOURCC fccIOProc;
  void* pIOProc;
  UINT wErrorRet;
  void* htask;
  LONG cchBuffer;
  HPSTR pchBuffer;
  HPSTR pchNext;
  HPSTR pchEndRead;
  HPSTR pchEndWrite;
  LONG lBufOffset;
  LONG lDiskOffset;
  DWORD adwInfo[3];
  DWORD dwReserved1;
  DWORD dwReserved2;
  HMMIO hmmio;
};

struct MMCKINFO {
  FOURCC ckid;
  DWORD cksize;
  FOURCC fccType;
  DWORD dwDataOffset;
  DWORD dwFlags;
};

constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr int SEEK_SET_MMIO = 0;  // SEEK_SET
constexpr int SEEK_CUR_MMIO = 1;
constexpr int SEEK_END_MMIO = 2;

constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 262;

// Only the memory form exists: info->fccIOProc == FOURCC_MEM, pchBuffer and
// cchBuffer the block (not copied; it must outlive the handle); path null.
HMMIO mmioOpenW(LPWSTR path, MMIOINFO* info, DWORD flags);
MMRESULT mmioClose(HMMIO h, UINT flags);
// New position, or -1 for a position outside the block.
LONG mmioSeek(HMMIO h, LONG offset, int origin);
// Bytes read (fewer at the end of the block), -1 on error.
LONG mmioRead(HMMIO h, HPSTR buffer, LONG count);
MMRESULT mmioDescend(HMMIO h, MMCKINFO* ck, const MMCKINFO* parent, UINT flags);
MMRESULT mmioAscend(HMMIO h, MMCKINFO* ck, UINT flags);
