#pragma once
// Object records and the per-family reader registries.
//
// Every serialised object is stored as: wide class name, 4-byte version, the
// class's own fields, then its base class's record. A polymorphic field is
// read by looking its class name up in the registry of the field's base
// family; the registered reader creates the object and reads the rest.
//
// A class X of family Base takes part by having a default constructor and
//   void ReadRecord(DS_IOF_Archive& ar, int32_t version);  // (result ignored)
// and by being registered from its owner's registration function:
//   RegisterReader<X, Base>(u"X");
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/archive.h"
#include "core/ds_error.h"
#include "core/zvi_string.h"

class DS_ABObj_Constructor;
class ZVI_PtclSys_OriginUI;

// Reader of one class of family Base; stateless, one static instance each.
template <class Base>
class IOF_Virtual_ReaderII {
 public:
  // Creates the object with its defaults and reads its record (the class
  // name and version have been read already).
  virtual std::unique_ptr<Base> Create(DS_IOF_Archive& ar, int32_t version) const = 0;
  // Creates the object with its defaults; reads nothing.
  virtual std::unique_ptr<Base> CreateDefault() const = 0;

 protected:
  ~IOF_Virtual_ReaderII() = default;
};

template <class X, class Base>
class IOF_Virtual_ReaderT_II : public IOF_Virtual_ReaderII<Base> {
 public:
  std::unique_ptr<Base> Create(DS_IOF_Archive& ar, int32_t version) const override {
    auto x = std::make_unique<X>();
    x->ReadRecord(ar, version);
    return x;
  }
  std::unique_ptr<Base> CreateDefault() const override { return std::make_unique<X>(); }
};

// The scene-object (model) readers.
using IOF_Virtual_Reader = IOF_Virtual_ReaderII<DS_ABObj_Constructor>;
template <class X>
using IOF_Virtual_ReaderT = IOF_Virtual_ReaderT_II<X, DS_ABObj_Constructor>;

// One map per family from exact class name (UTF-16, case-sensitive) to reader.
template <class Base>
using ReaderMap = std::map<zvi_string, const IOF_Virtual_ReaderII<Base>*, std::less<>>;

template <class Base>
ReaderMap<Base>& ReaderRegistry() {
  static ReaderMap<Base> map;
  return map;
}

// Stores a reader under a name (an entry of that name is replaced).
template <class Base>
void RegisterReaderObject(std::u16string_view name, const IOF_Virtual_ReaderII<Base>* reader) {
  ReaderRegistry<Base>()[zvi_string(name)] = reader;
}

// Registers X's reader in Base's registry under name (a second name for the
// same class is a second call).
template <class X, class Base>
void RegisterReader(std::u16string_view name) {
  static const IOF_Virtual_ReaderT_II<X, Base> reader;
  RegisterReaderObject<Base>(name, &reader);
}

template <class Base>
const IOF_Virtual_ReaderII<Base>* FindReader(std::u16string_view name) {
  const auto& map = ReaderRegistry<Base>();
  auto it = map.find(name);
  return it == map.end() ? nullptr : it->second;
}

// Reads a class name and version and lets the registered reader create and
// read the object. A name without a reader cannot be skipped (records carry
// no length), so it makes the project invalid: DS_Error(kWrongFileFormat).
template <class Base>
std::unique_ptr<Base> ReadObjectOf(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  const IOF_Virtual_ReaderII<Base>* reader = FindReader<Base>(name);
  if (!reader) throw DS_Error(kWrongFileFormat);
  struct Nesting {
    DS_IOF_Archive& ar;
    explicit Nesting(DS_IOF_Archive& a) : ar(a) { ar.EnterRecord(); }
    ~Nesting() { ar.LeaveRecord(); }
  } nesting(ar);
  return reader->Create(ar, version);
}

// As ReadObjectOf, for a field that expects a narrower class of the family.
// A known class of another kind is read completely and freed, and the field
// stays empty: the stream is still in step, so the project plays on. Owners
// test the result before use. An unknown name still refuses the file.
template <class Narrow, class Base>
std::unique_ptr<Narrow> ReadObjectAs(DS_IOF_Archive& ar) {
  std::unique_ptr<Base> obj = ReadObjectOf<Base>(ar);
  Narrow* narrow = dynamic_cast<Narrow*>(obj.get());
  if (!narrow) return nullptr;
  obj.release();
  return std::unique_ptr<Narrow>(narrow);
}

// A default object of the named class, or null when the name is unknown.
template <class Base>
std::unique_ptr<Base> CreateDefaultByName(std::u16string_view name) {
  const IOF_Virtual_ReaderII<Base>* reader = FindReader<Base>(name);
  return reader ? reader->CreateDefault() : nullptr;
}

// A record whose class the owner knows: the class name (not tested) and
// version, then T's fields read by T::ReadRecord.
template <class T>
std::unique_ptr<T> ReadFixedRecord(DS_IOF_Archive& ar) {
  zvi_string name;
  int32_t version = 0;
  ar.ReadWideString(&name);
  ar.ReadInt(&version);
  auto object = std::make_unique<T>();
  object->ReadRecord(ar, version);
  return object;
}

// Narrow (UTF-8) class names, as some owners pass them.
zvi_string ClassNameFromUtf8(std::string_view name);

// Origin markers belong to the authoring tool: their registry is empty in the
// player, so every name gives null.
ZVI_PtclSys_OriginUI* CreateOriginUIByName(std::u16string_view name);
