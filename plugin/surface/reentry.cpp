// Calls that reach the surface from inside the host's own calls, on the
// thread that already holds the lock: the operation scope, the queue of
// input that waits for the running operation, and the attachment check.
#include "tavrel.h"

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
// one, waits in the queue; what does not fit is dropped like any input the
// surface cannot take.
void CTavrel::RunOrDefer(const DeferredInput& input) {
  if (InOperation()) {
    if (m_deferredCount < DEFERRED_INPUT_LIMIT) m_deferred[m_deferredCount++] = input;
    return;
  }
  COperation operation(this);
  RunInput(input);
}

void CTavrel::RunInput(const DeferredInput& input) {
  if (input.isShuttle)
    OnShuttle(input.move);
  else
    HandleShortMidi(input.message);
}

// Each queued message is handled as an operation of its own, on the window
// and attachment of its time. Input queued meanwhile joins the end; the queue
// never holds more than its limit, so the drain always ends.
void CTavrel::RunDeferredInput() {
  for (int32_t next = 0; next < m_deferredCount; ++next) {
    m_superseded = false;
    RunInput(m_deferred[next]);
    if (m_superseded) m_lightsUnknown = true;
  }
  m_deferredCount = 0;
}

void CTavrel::AttachmentChanged() {
  ++m_attachment;
  m_deferredCount = 0;
}
