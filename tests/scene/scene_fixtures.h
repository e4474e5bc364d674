#pragma once
// What the scene tests share: a document of a given picture size, a sprite
// model whose sprites stand still, and model records read back from bytes.
#include <memory>

#include "core/archive.h"
#include "core/reader_registry.h"
#include "core/thread_slots.h"
#include "player/doc_res_manager.h"
#include "player/app/register_all.h"
#include "scene/sprite_base.h"
#include "tools/writer/byte_builder.h"

namespace scene_test {

// Publishes a document whose picture is w x h for the test's lifetime.
class PictureDocument {
 public:
  PictureDocument(uint32_t w, uint32_t h) : doc_(std::make_unique<DS_DocResManager>()) {
    doc_->Settings().pictureWidth = w;
    doc_->Settings().pictureHeight = h;
    previous_ = CurrentDocResManager();
    SetCurrentDocResManager(doc_.get());
  }
  ~PictureDocument() { SetCurrentDocResManager(previous_); }
  DS_DocResManager& doc() { return *doc_; }

 private:
  std::unique_ptr<DS_DocResManager> doc_;
  DS_DocResManager* previous_ = nullptr;
};

// A sprite effect whose sprites stay where the test puts them.
class TestSprites : public DS_ParticleSystemCtrl {
 public:
  TestSprites() { size.value = 16; }
  TestSprites(const TestSprites&) = default;
  DS_ParticleSystemCtrl* Clone() const override { return new TestSprites(*this); }
  void SpawnSprite(SpriteRecord& s) override {
    ++spawned;
    s.position = D3DXVECTOR3(spawnAt.x + spacing * static_cast<float>(spawned - 1), spawnAt.y, 0.0f);
  }
  void UpdateSprite(SpriteRecord&) override { ++updates; }

  D3DXVECTOR3 spawnAt{32.0f, 32.0f, 0.0f};
  float spacing = 0.0f;
  int spawned = 0;
  int updates = 0;
};

// Reads one model record through the scene-object registry; every byte
// must be used.
inline std::unique_ptr<DS_ABObj_Constructor> ReadModel(const pw::ByteBuilder& b) {
  RegisterEverything();
  MemoryArchive ar(b.bytes().data(), b.size(), true);
  auto model = ReadObjectOf<DS_ABObj_Constructor>(ar);
  if (ar.Remaining() != 0) throw DS_Error(u"bytes left after the record");
  return model;
}

}  // namespace scene_test
