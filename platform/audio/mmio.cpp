#include "platform/audio/mmio.h"

#include <algorithm>
#include <cstring>

struct HMMIO__ {
  const uint8_t* data;
  uint32_t size;
  uint32_t pos;
};

HMMIO mmioOpenW(LPWSTR path, MMIOINFO* info, DWORD flags) {
  if (path || !info || info->fccIOProc != FOURCC_MEM || info->cchBuffer < 0) return nullptr;
  if (info->cchBuffer > 0 && !info->pchBuffer) return nullptr;
  auto* h = new HMMIO__{reinterpret_cast<const uint8_t*>(info->pchBuffer), static_cast<uint32_t>(info->cchBuffer), 0};
  info->hmmio = h;
  info->wErrorRet = 0;
  return h;
}

MMRESULT mmioClose(HMMIO h, UINT) {
  if (!h) return MMSYSERR_INVALHANDLE;
  delete h;
  return MMSYSERR_NOERROR;
}

LONG mmioSeek(HMMIO h, LONG offset, int origin) {
  if (!h) return -1;
  int64_t base = origin == SEEK_SET_MMIO ? 0 : origin == SEEK_CUR_MMIO ? h->pos : origin == SEEK_END_MMIO ? h->size : -1;
  if (base < 0) return -1;
  const int64_t p = base + offset;
  if (p < 0 || p > h->size) return -1;
  h->pos = static_cast<uint32_t>(p);
  return static_cast<LONG>(p);
}

LONG mmioRead(HMMIO h, HPSTR buffer, LONG count) {
  if (!h || count < 0 || (count > 0 && !buffer)) return -1;
  const uint32_t n = std::min<uint32_t>(static_cast<uint32_t>(count), h->size - h->pos);
  if (n) std::memcpy(buffer, h->data + h->pos, n);
  h->pos += n;
  return static_cast<LONG>(n);
}

namespace {
bool ReadU32(HMMIO h, uint32_t* v) { return mmioRead(h, reinterpret_cast<HPSTR>(v), 4) == 4; }
}  // namespace

MMRESULT mmioDescend(HMMIO h, MMCKINFO* ck, const MMCKINFO* parent, UINT flags) {
  if (!h || !ck) return MMSYSERR_INVALPARAM;
  // The search stays inside the parent's data, or the block.
  uint64_t limit = h->size;
  if (parent) limit = std::min<uint64_t>(limit, static_cast<uint64_t>(parent->dwDataOffset) + parent->cksize);
  const FOURCC wantId = (flags & MMIO_FINDRIFF) ? FOURCC_RIFF : (flags & MMIO_FINDLIST) ? FOURCC_LIST : ck->ckid;
  const bool wantType = (flags & (MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
  const bool search = (flags & (MMIO_FINDCHUNK | MMIO_FINDRIFF | MMIO_FINDLIST)) != 0;
  for (;;) {
    if (static_cast<uint64_t>(h->pos) + 8 > limit) return MMIOERR_CHUNKNOTFOUND;
    const uint32_t start = h->pos;
    MMCKINFO found{};
    if (!ReadU32(h, &found.ckid) || !ReadU32(h, &found.cksize)) return MMIOERR_CHUNKNOTFOUND;
    found.dwDataOffset = start + 8;
    const bool isForm = found.ckid == FOURCC_RIFF || found.ckid == FOURCC_LIST;
    if (isForm) {
      if (!ReadU32(h, &found.fccType)) return MMIOERR_CHUNKNOTFOUND;
    }
    const bool match = !search || (found.ckid == wantId && (!wantType || found.fccType == ck->fccType));
    if (match) {
      *ck = found;
      return MMSYSERR_NOERROR;
    }
    // Skip the chunk (padded to an even size); a size past the end ends the search.
    const uint64_t next = static_cast<uint64_t>(found.dwDataOffset) + found.cksize + (found.cksize & 1);
    if (next > limit) return MMIOERR_CHUNKNOTFOUND;
    h->pos = static_cast<uint32_t>(next);
  }
}

MMRESULT mmioAscend(HMMIO h, MMCKINFO* ck, UINT) {
  if (!h || !ck) return MMSYSERR_INVALPARAM;
  const uint64_t next = static_cast<uint64_t>(ck->dwDataOffset) + ck->cksize + (ck->cksize & 1);
  h->pos = static_cast<uint32_t>(std::min<uint64_t>(next, h->size));
  return MMSYSERR_NOERROR;
}
