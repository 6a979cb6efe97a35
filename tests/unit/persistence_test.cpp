// The settings block: defaults from construction, Load and Save through a
// stream (whole block or defaults, failures reported), size and pages.
#include <gtest/gtest.h>

#include <vector>

#include "class_ids.h"
#include "memory_stream.h"
#include "tavrel.h"

namespace {

const std::vector<uint8_t> DEFAULT_BLOCK = {3, 36, 37, 1, 10, 38, 39, 40, 2, 0, 2, 4, 6, 8, 1,
                                            0, 0,  0,  0, 0,  0,  0,  0,  0, 0, 0, 0, 0, 0, 0};

// A block unlike the defaults in every settings byte, with reserved bytes set.
std::vector<uint8_t> CustomBlock() {
  std::vector<uint8_t> block(CONFIG_SIZE);
  for (size_t i = 0; i < CONFIG_SIZE; ++i) block[i] = static_cast<uint8_t>(100 + i);
  return block;
}

class PersistenceTest : public ::testing::Test {
 protected:
  ~PersistenceTest() override { surface->Release(); }

  std::vector<uint8_t> Block() const {
    std::vector<uint8_t> block(CONFIG_SIZE);
    for (size_t i = 0; i < CONFIG_SIZE; ++i) block[i] = surface->ConfigByte(i);
    return block;
  }
  void Fill(const std::vector<uint8_t>& block) {
    for (size_t i = 0; i < CONFIG_SIZE; ++i) surface->SetConfigByte(i, block[i]);
  }
  std::vector<uint8_t> Saved() {
    MemoryStream stream;
    EXPECT_EQ(surface->Save(&stream, 1), S_OK);
    return stream.bytes;
  }

  CTavrel* surface = new CTavrel;
};

TEST_F(PersistenceTest, NewObjectHoldsAndSavesTheDefaults) {
  EXPECT_EQ(Block(), DEFAULT_BLOCK);
  EXPECT_EQ(Saved(), DEFAULT_BLOCK) << "a project that never loaded settings saves the defaults";
}

TEST_F(PersistenceTest, LoadAndSaveRoundTripReservedBytesIncluded) {
  MemoryStream in(CustomBlock());
  EXPECT_EQ(surface->Load(&in), S_OK);
  EXPECT_EQ(in.readCalls, 1);
  EXPECT_EQ(Block(), CustomBlock());
  EXPECT_EQ(Saved(), CustomBlock());
  EXPECT_EQ(Block(), CustomBlock()) << "saving leaves the block alone";

  // fClearDirty changes nothing; the object never reports unsaved changes.
  MemoryStream unclearedSave;
  EXPECT_EQ(surface->Save(&unclearedSave, 0), S_OK);
  EXPECT_EQ(unclearedSave.writeCalls, 1);
  EXPECT_EQ(unclearedSave.bytes, CustomBlock());
  EXPECT_EQ(surface->IsDirty(), S_FALSE);

  MemoryStream defaults(DEFAULT_BLOCK);
  EXPECT_EQ(surface->Load(&defaults), S_OK);
  EXPECT_EQ(Block(), DEFAULT_BLOCK);
  EXPECT_EQ(Saved(), DEFAULT_BLOCK);
}

// Every stream that does not deliver exactly one whole block leaves the
// defaults, not the old block and not a mix of old and new bytes.
TEST_F(PersistenceTest, AnythingButAWholeBlockGivesTheDefaults) {
  struct Case {
    const char* why;
    std::vector<uint8_t> contents;
    HRESULT readResult;
    ULONG readLimit;
  };
  const std::vector<uint8_t> custom = CustomBlock();
  const std::vector<uint8_t> short29(custom.begin(), custom.end() - 1);
  const Case cases[] = {
      {"empty stream", {}, S_OK, ~0u},
      {"29 bytes", short29, S_OK, ~0u},
      {"Read fails", custom, STG_E_READFAULT, ~0u},
      {"Read comes short", custom, S_OK, 12},
  };
  for (const Case& c : cases) {
    Fill(std::vector<uint8_t>(CONFIG_SIZE, 0xEE));  // an old block that must not survive
    MemoryStream in(c.contents);
    in.readResult = c.readResult;
    in.readLimit = c.readLimit;
    EXPECT_EQ(surface->Load(&in), S_OK) << c.why;
    EXPECT_EQ(in.readCalls, 1) << c.why;
    EXPECT_EQ(Block(), DEFAULT_BLOCK) << c.why;
  }
}

TEST_F(PersistenceTest, ALongerStreamGivesItsFirstThirtyBytes) {
  std::vector<uint8_t> contents = CustomBlock();
  contents.insert(contents.end(), {1, 2, 3, 4});
  MemoryStream in(contents);
  EXPECT_EQ(surface->Load(&in), S_OK);
  EXPECT_EQ(Block(), CustomBlock());
  EXPECT_EQ(in.position, CONFIG_SIZE) << "nothing beyond the block is consumed";
}

TEST_F(PersistenceTest, FailedOrShortWritesAreReported) {
  Fill(CustomBlock());
  MemoryStream failing;
  failing.writeResult = STG_E_WRITEFAULT;
  EXPECT_EQ(surface->Save(&failing, 1), STG_E_WRITEFAULT);

  MemoryStream shortWrite;
  shortWrite.writeLimit = 29;
  EXPECT_EQ(surface->Save(&shortWrite, 1), STG_E_CANTSAVE);
  EXPECT_EQ(Block(), CustomBlock()) << "a failed save leaves the block alone";
}

TEST_F(PersistenceTest, NullArgumentsAreRefused) {
  EXPECT_EQ(surface->Load(nullptr), E_POINTER);
  EXPECT_EQ(surface->Save(nullptr, 1), E_POINTER);
  EXPECT_EQ(surface->GetSizeMax(nullptr), E_POINTER);
  EXPECT_EQ(surface->GetPages(nullptr), E_POINTER);
  EXPECT_EQ(surface->GetClassID(nullptr), E_POINTER);
  EXPECT_EQ(Block(), DEFAULT_BLOCK);
}

TEST_F(PersistenceTest, SizeClassAndPages) {
  ULARGE_INTEGER size;
  size.QuadPart = ~0ull;
  EXPECT_EQ(surface->GetSizeMax(&size), S_OK);
  EXPECT_EQ(size.QuadPart, 30u);

  CLSID clsid{};
  EXPECT_EQ(surface->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualGUID(clsid, CLSID_Tavrel));

  CAUUID pages{};
  ASSERT_EQ(surface->GetPages(&pages), S_OK);
  ASSERT_EQ(pages.cElems, 1u);
  ASSERT_NE(pages.pElems, nullptr);
  EXPECT_TRUE(IsEqualGUID(pages.pElems[0], CLSID_TavrelPropPage));
  CoTaskMemFree(pages.pElems);
}

#ifndef _WIN32
TEST_F(PersistenceTest, PagesWithoutMemoryReportNoElements) {
  CAUUID pages{7, reinterpret_cast<GUID*>(1)};
  compat::SetTaskAllocatorFailing(true);
  const HRESULT hr = surface->GetPages(&pages);
  compat::SetTaskAllocatorFailing(false);
  EXPECT_EQ(hr, E_OUTOFMEMORY);
  EXPECT_EQ(pages.cElems, 0u);
  EXPECT_EQ(pages.pElems, nullptr);
}
#endif

#ifdef _WIN32
// The same round trip through a real OLE stream on global memory.
TEST_F(PersistenceTest, RoundTripThroughAnOleStream) {
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  Fill(CustomBlock());
  ASSERT_EQ(surface->Save(stream, 1), S_OK);

  STATSTG stat{};
  ASSERT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(stat.cbSize.QuadPart, 30u);

  LARGE_INTEGER start{};
  ASSERT_EQ(stream->Seek(start, STREAM_SEEK_SET, nullptr), S_OK);
  Fill(std::vector<uint8_t>(CONFIG_SIZE, 0));
  EXPECT_EQ(surface->Load(stream), S_OK);
  EXPECT_EQ(Block(), CustomBlock());

  // At its end the stream has nothing left: the defaults.
  EXPECT_EQ(surface->Load(stream), S_OK);
  EXPECT_EQ(Block(), DEFAULT_BLOCK);
  stream->Release();
}
#endif

}  // namespace
