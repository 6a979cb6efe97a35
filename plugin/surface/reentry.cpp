// Calls that reach the surface from inside the host's own calls, on the
// thread that already holds the lock: the operation scope, the queue of
// input that waits for the running operation, and the attachment check.
#include <cstdint>
#include <limits>

#include "tavrel.h"

using namespace midi;

namespace {

enum class MoveKind { None, Fader, Knob };

// Faders and knobs send absolute values, so of a burst of moves of one of
// them only the path matters (pick-up) and the last value; keys, buttons,
// the jog wheel and the footswitch are events, each of which counts.
MoveKind MoveKindOf(const ShortMessage& message) {
  if (message.status != STATUS_CH16) return MoveKind::None;
  if (message.controller <= CC_FADER_LAST) return MoveKind::Fader;
  if (message.controller >= CC_SEND_C && message.controller <= CC_PAN_KNOB) return MoveKind::Knob;
  return MoveKind::None;
}

}  // namespace

// Each operation starts with its host calls allowed; an attach or detach
// that runs inside it (a nested operation) supersedes it when it returns.
CTavrel::COperation::COperation(CTavrel* surface)
    : m_surface(surface),
      m_outermost(surface->m_callDepth == 0),
      m_outerSuperseded(surface->m_superseded),
      m_attachmentAtStart(surface->m_attachment) {
  ++m_surface->m_callDepth;
  m_surface->m_superseded = false;
}

// A superseded operation went on updating the LED cache for messages it no
// longer sent, so the next refresh sends every light. Input that waited runs
// before the operation is over, so anything it sets off in the host queues
// behind it again instead of running inside it.
CTavrel::COperation::~COperation() {
  if (m_surface->m_superseded) m_surface->m_lightsUnknown = true;
  if (m_outermost) m_surface->RunDeferredInput();
  --m_surface->m_callDepth;
  const bool changed = m_surface->m_attachment != m_attachmentAtStart;
  m_surface->m_superseded = !m_outermost && (m_outerSuperseded || changed);
}

// Input runs at once as an operation of its own, or, when it arrives inside
// one, waits in the queue.
void CTavrel::RunOrDefer(bool isShuttle, DWORD message, int32_t move) {
  if (InOperation()) return Defer({isShuttle, message, move, false, {}});
  COperation operation(this);
  if (isShuttle)
    OnShuttle(move);
  else
    HandleShortMidi(message, nullptr);
}

// A fader or knob move joins the queued move of the same control when it can;
// anything else takes a slot while there is one, and is dropped otherwise.
void CTavrel::Defer(const DeferredInput& input) {
  if (!input.isShuttle) {
    if (DeferredInput* queued = QueuedMoveToJoin(input.message)) {
      queued->passed.Add(Unpack(queued->message).value);
      queued->coalesced = true;
      queued->message = input.message;
      return;
    }
  }
  if (m_deferredCount == DEFERRED_INPUT_LIMIT) return DropInput(1);
  m_deferred[(m_deferredFirst + m_deferredCount) % DEFERRED_INPUT_LIMIT] = input;
  ++m_deferredCount;
}

// The latest queued move of the same control, if nothing queued after it
// changes what the move means. Fader moves join across moves of other faders
// and of the knobs: those touch neither a fader's strip nor its volume, and
// of the faders only the first to run can take the selection, in either
// order. A knob move joins only the last entry, since a fader move after it
// may select another knob strip and another knob may drive the same send.
CTavrel::DeferredInput* CTavrel::QueuedMoveToJoin(DWORD message) {
  const ShortMessage incoming = Unpack(message);
  const MoveKind kind = MoveKindOf(incoming);
  if (kind == MoveKind::None) return nullptr;
  for (int32_t back = m_deferredCount - 1; back >= 0; --back) {
    DeferredInput& queued = m_deferred[(m_deferredFirst + back) % DEFERRED_INPUT_LIMIT];
    const ShortMessage waiting = Unpack(queued.message);
    const MoveKind waitingKind = queued.isShuttle ? MoveKind::None : MoveKindOf(waiting);
    if (waitingKind == kind && waiting.controller == incoming.controller) return &queued;
    if (kind == MoveKind::Knob || waitingKind == MoveKind::None) return nullptr;
  }
  return nullptr;
}

void CTavrel::RunInput(const DeferredInput& input) {
  if (input.isShuttle)
    OnShuttle(input.move);
  else
    HandleShortMidi(input.message, input.coalesced ? &input.passed : nullptr);
}

// Each queued message is handled as an operation of its own, on the window
// and attachment of its time. Its slot is free once it starts, so input that
// arrives while it runs finds room; the drain ends when the host stops
// delivering input.
void CTavrel::RunDeferredInput() {
  while (m_deferredCount > 0) {
    const DeferredInput input = m_deferred[m_deferredFirst];
    m_deferredFirst = (m_deferredFirst + 1) % DEFERRED_INPUT_LIMIT;
    --m_deferredCount;
    m_superseded = false;
    RunInput(input);
    if (m_superseded) m_lightsUnknown = true;
  }
}

void CTavrel::DropInput(uint32_t count) {
  if (count == 0) return;
  const uint32_t dropped = m_droppedInput.load(std::memory_order_relaxed);
  const uint32_t room = std::numeric_limits<uint32_t>::max() - dropped;
  m_droppedInput.store(dropped + (count < room ? count : room), std::memory_order_relaxed);
  m_lightsUnknown = true;
}

// Input still waiting was meant for the attachment that ends here; input
// that arrives from now on is for the new one and stays.
void CTavrel::AttachmentChanged() {
  ++m_attachment;
  DropInput(static_cast<uint32_t>(m_deferredCount));
  m_deferredCount = 0;
}
