// The surface object itself: COM identity, attach and detach, the first
// refresh, the switch-off sweep, the status text and the no-echo mask.
#include <cstdio>
#include <cstring>

#include "class_ids.h"
#include "surface_fixture.h"
#include "wire.h"

namespace {

using wire::Send;
using wire::Sweep;

using SurfaceObjectTest = SurfaceTest;

TEST_F(SurfaceObjectTest, QueryInterfaceServesFiveIdentitiesOnOneCount) {
  struct Row {
    const IID* iid;
    void* expected;
  };
  const Row served[] = {
      {&IID_IUnknown, static_cast<IControlSurface*>(surface)},
      {&IID_IControlSurface, static_cast<IControlSurface*>(surface)},
      {&IID_IDispatch, static_cast<IControlSurface*>(surface)},
      {&IID_ISpecifyPropertyPages, static_cast<ISpecifyPropertyPages*>(surface)},
      {&IID_IPersistStream, static_cast<IPersistStream*>(surface)},
  };
  for (const Row& row : served) {
    void* out = nullptr;
    ASSERT_EQ(surface->QueryInterface(*row.iid, &out), S_OK);
    EXPECT_EQ(out, row.expected);
  }
  EXPECT_EQ(state.refCount(), 6);
  // AddRef and Release through the secondary bases count on the same count.
  EXPECT_EQ(static_cast<IPersistStream*>(surface)->AddRef(), 7u);
  EXPECT_EQ(static_cast<ISpecifyPropertyPages*>(surface)->Release(), 6u);
  for (int i = 0; i < 5; ++i) surface->Release();
  EXPECT_EQ(state.refCount(), 1);

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(surface->QueryInterface(IID_IPersist, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(surface->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
  EXPECT_EQ(state.refCount(), 1);
}

TEST_F(SurfaceObjectTest, ObjectCountFollowsLifetime) {
  const LONG before = g_objectCount;
  auto* other = new CTavrel;
  EXPECT_EQ(g_objectCount, before + 1);
  other->AddRef();
  EXPECT_EQ(other->Release(), 1u);
  EXPECT_EQ(g_objectCount, before + 1);
  EXPECT_EQ(other->Release(), 0u);
  EXPECT_EQ(g_objectCount, before);
}

TEST_F(SurfaceObjectTest, FirstRefreshOfKind4ResetsButDoesNotMakeReady) {
  ASSERT_EQ(surface->AttachHost(&host, 0), S_OK);
  Refresh(4);
  EXPECT_SEQUENCE(host.Log(true), Sweep());
  EXPECT_EQ(state.ready(), 0);

  host.ClearLog();
  Short(0xBF, 3, 64);  // fader: dropped, not even a strip count is asked
  EXPECT_SEQUENCE(host.Log(true), {});

  // The next refresh of another kind makes it ready without resetting again.
  Refresh(0);
  EXPECT_EQ(state.ready(), 1);
  for (const std::string& line : host.Log(true)) EXPECT_NE(line, "send be 4f 00") << "no second sweep";
}

TEST_F(SurfaceObjectTest, EveryObjectGetsItsOwnFirstRefreshReset) {
  MakeReady();
  auto* second = new CTavrel;
  FakeHost otherHost;
  ASSERT_EQ(second->AttachHost(&otherHost, 0), S_OK);
  ASSERT_EQ(second->RefreshFeedback(4, 0), S_OK);
  EXPECT_SEQUENCE(otherHost.Sends(), Sweep());
  second->DetachHost();
  second->Release();
}

TEST_F(SurfaceObjectTest, SweepUsesTheCookieAndMarksFadersPickedUp) {
  ASSERT_EQ(surface->AttachHost(&host, 0), S_OK);
  for (int p = 0; p < 32; ++p) state.faderPicked(p) = 0;
  Refresh(4);
  EXPECT_EQ(host.LastCookie(), reinterpret_cast<ULONG_PTR>(static_cast<IControlSurface*>(surface)));
  for (int p = 0; p < 32; ++p) EXPECT_EQ(state.faderPicked(p), 1) << p;
}

TEST_F(SurfaceObjectTest, ResetRestoresInitialState) {
  MakeReady();
  state.bank() = 2;
  state.firstStrip() = 64;
  state.lastStrip() = 95;
  state.selStrip() = 70;
  state.knobStrip() = 71;
  state.storeMode() = 1;
  state.footState() = FOOT_UNDONE;
  state.wasPlaying() = 1;
  state.locateSlot(7)[3] = 9;
  state.stripLeds(5) = 0x3F;
  state.stripLeds(40) = 0x02;  // outside window 0: left for the bank change to clear
  surface->SetConfigByte(CONFIG_FOOTSWITCH, 1);

  ASSERT_EQ(surface->DetachHost(), S_OK);
  EXPECT_EQ(state.bank(), 0);
  EXPECT_EQ(state.firstStrip(), 0);
  EXPECT_EQ(state.lastStrip(), 31);
  EXPECT_EQ(state.selStrip(), 0);
  EXPECT_EQ(state.knobStrip(), 0);
  EXPECT_EQ(state.storeMode(), 0);
  EXPECT_EQ(state.footState(), FOOT_IDLE);
  EXPECT_EQ(state.wasPlaying(), 0);
  EXPECT_EQ(state.locateSlot(7)[3], 0);
  EXPECT_EQ(state.stripLeds(5), 0);
  EXPECT_EQ(state.stripLeds(40), 0x02);
  EXPECT_EQ(state.vkComma(), MapVirtualKeyA(51, 1));
  EXPECT_EQ(surface->ConfigByte(CONFIG_FOOTSWITCH), 1) << "settings survive a reset";
  EXPECT_EQ(state.ready(), 1) << "a detached object stays ready";
}

TEST_F(SurfaceObjectTest, DetachSweepsBeforeReleasingTheHost) {
  MakeReady();
  EXPECT_EQ(host.RefCount(HostInterface::MidiOut), 1);
  ASSERT_EQ(surface->DetachHost(), S_OK);
  EXPECT_SEQUENCE(host.Log(true), Sweep());
  for (int i = 0; i < static_cast<int>(HostInterface::Count); ++i)
    EXPECT_EQ(host.RefCount(static_cast<HostInterface>(i)), 0) << i;

  // Calls after the detach reach no host interface and do not fail.
  host.ClearLog();
  Refresh();
  Short(0xBF, 0, 10);
  const BYTE shuttle[10] = {0xF0, 0x7F, 0x00, 0x06, 0x47, 0x03, 0x00, 0x05, 0x00, 0xF7};
  EXPECT_EQ(surface->OnLongMidi(10, shuttle), S_OK);
  EXPECT_EQ(surface->DetachHost(), S_OK);
  EXPECT_SEQUENCE(host.Log(true), {});
}

TEST_F(SurfaceObjectTest, CallsBeforeAnyAttachTouchNothing) {
  Refresh(0);
  Short(0xBE, 0x42, 127);
  EXPECT_EQ(surface->DetachHost(), S_OK);
  EXPECT_SEQUENCE(host.Log(true), {});
}

TEST_F(SurfaceObjectTest, PartialAttachKeepsWhatItGot) {
  host.Withhold(HostInterface::Project);
  EXPECT_EQ(surface->AttachHost(&host, 0), E_NOINTERFACE);
  EXPECT_TRUE(state.HoldsMidiOut());
  EXPECT_TRUE(state.HoldsKeyboard());
  EXPECT_TRUE(state.HoldsCommands());
  EXPECT_FALSE(state.HoldsProject());
  EXPECT_FALSE(state.HoldsMixer());
  EXPECT_FALSE(state.HoldsTransport());
  EXPECT_EQ(state.cookie(), 0u);
  EXPECT_EQ(host.RefCount(HostInterface::MidiOut), 1);

  // Refresh and input after the partial attach never call through null.
  Refresh(0);
  Short(0xBF, 0, 64);
  EXPECT_FALSE(host.SawUnexpected());

  // A second attach first drops what the first one took.
  host.Withhold(HostInterface::Project, S_OK);
  EXPECT_EQ(surface->AttachHost(&host, 0), S_OK);
  for (int i = 0; i < static_cast<int>(HostInterface::Count); ++i)
    EXPECT_EQ(host.RefCount(static_cast<HostInterface>(i)), 1) << i;
  EXPECT_EQ(state.cookie(), reinterpret_cast<ULONG_PTR>(static_cast<IControlSurface*>(surface)));
}

TEST_F(SurfaceObjectTest, RefusalWithGarbageOutPointerIsNeverReleased) {
  host.SetGarbageOnRefusal(true);
  host.Withhold(HostInterface::Mixer, E_FAIL);
  EXPECT_EQ(surface->AttachHost(&host, 0), E_FAIL);
  EXPECT_FALSE(state.HoldsMixer());
  surface->Release();  // destruction releases only what was obtained
  surface = nullptr;
  EXPECT_EQ(host.RefCount(HostInterface::Commands), 0);
  EXPECT_FALSE(host.SawUnexpected());
}

TEST_F(SurfaceObjectTest, DestructionReleasesTheHostWithoutSending) {
  ASSERT_EQ(surface->AttachHost(&host, 0), S_OK);
  surface->Release();
  surface = nullptr;
  for (int i = 0; i < static_cast<int>(HostInterface::Count); ++i)
    EXPECT_EQ(host.RefCount(static_cast<HostInterface>(i)), 0) << i;
  EXPECT_SEQUENCE(host.Log(true), {});
}

TEST_F(SurfaceObjectTest, AttachWithoutHostIsRefused) { EXPECT_EQ(surface->AttachHost(nullptr, 0), E_POINTER); }

TEST_F(SurfaceObjectTest, StatusTextFitsTheCallersBuffer) {
  DWORD length = 0;
  EXPECT_EQ(surface->QueryStatusText(nullptr, nullptr), E_POINTER);
  ASSERT_EQ(surface->QueryStatusText(nullptr, &length), S_OK);
  EXPECT_EQ(length, 10u);

  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  ASSERT_EQ(surface->QueryStatusText(buffer, &length), S_OK);
  EXPECT_STREQ(buffer, "Tavrel OK");
  EXPECT_EQ(length, 10u);
  EXPECT_EQ(buffer[10], '#');

  // A buffer smaller than asked for gets what fits, terminated inside it.
  struct {
    char text[4];
    char guard[8];
  } small;
  std::memset(&small, '#', sizeof small);
  length = 4;
  ASSERT_EQ(surface->QueryStatusText(small.text, &length), S_OK);
  EXPECT_STREQ(small.text, "Tav");
  EXPECT_EQ(small.guard[0], '#');

  // Length 0: nothing written at all.
  char none = '#';
  length = 0;
  ASSERT_EQ(surface->QueryStatusText(&none, &length), S_OK);
  EXPECT_EQ(none, '#');
}

TEST_F(SurfaceObjectTest, NoEchoMaskIsConstant) {
  WORD mask = 0;
  DWORD flag = 7;
  ASSERT_EQ(surface->QueryNoEchoMask(&mask, &flag), S_OK);
  EXPECT_EQ(mask, 0xFFFF);
  EXPECT_EQ(flag, 0u);
  EXPECT_EQ(surface->QueryNoEchoMask(nullptr, &flag), E_POINTER);
  EXPECT_EQ(surface->QueryNoEchoMask(&mask, nullptr), E_POINTER);
}

TEST_F(SurfaceObjectTest, DispatchWithoutTypeLibraryReportsItsCodes) {
  // No type library is registered for the unit tests.
  UINT count = 9;
  ASSERT_EQ(surface->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(surface->GetTypeInfo(1, 0, &info), E_INVALIDARG);
  EXPECT_EQ(info, nullptr);
  EXPECT_EQ(surface->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  EXPECT_EQ(surface->GetTypeInfo(0, 0, nullptr), E_POINTER);
  EXPECT_EQ(surface->GetTypeInfoCount(nullptr), E_POINTER);
  EXPECT_EQ(surface->Invoke(0, IID_IUnknown, 0, 0, nullptr, nullptr, nullptr, nullptr), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(surface->Invoke(0, IID_NULL, 0, 0, nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
  OLECHAR name[] = {'x', 0};
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(surface->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
}

TEST_F(SurfaceObjectTest, RecognisesOnlyItsOwnObjects) {
  EXPECT_EQ(CTavrel::FromUnknown(static_cast<IControlSurface*>(surface)), surface);
  EXPECT_EQ(CTavrel::FromUnknown(static_cast<IPersistStream*>(surface)), surface);
  EXPECT_EQ(CTavrel::FromUnknown(&host), nullptr);
  EXPECT_EQ(CTavrel::FromUnknown(nullptr), nullptr);
  EXPECT_EQ(state.refCount(), 1);
}

TEST_F(SurfaceObjectTest, ShortInputWaitsForAWorkingStripCount) {
  MakeReady();
  host.stripCountResult = S_FALSE;  // success, but not S_OK
  Short(0xBE, 0x42, 127);           // F1
  EXPECT_SEQUENCE(host.Log(), {});
}

TEST_F(SurfaceObjectTest, UnknownStatusReturnsFootswitchToIdle) {
  MakeReady();
  state.footState() = FOOT_RECORDING;
  Short(0x90, 0x40, 0x7F);
  EXPECT_EQ(state.footState(), FOOT_IDLE);
  state.footState() = FOOT_RECORDING;
  Short(0xBD, 0x80, 0x7F);  // channel 14, controller beyond every route: ignored
  EXPECT_EQ(state.footState(), FOOT_RECORDING);
  EXPECT_SEQUENCE(host.Log(), {});
}

}  // namespace
