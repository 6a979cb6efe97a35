// Calls that reach the surface from inside the host's own calls, on the
// thread that already holds the lock: the operation scope, the queue of
// input that waits for the running operation, and the attachment check.
#include "tavrel.h"

CTavrel::COperation::COperation(CTavrel* surface) : m_surface(surface), m_outermost(surface->m_callDepth == 0) {
  ++m_surface->m_callDepth;
  if (m_outermost) m_surface->m_operationAttachment = m_surface->m_attachment;
}

// Input that waited runs before the operation is over, so anything it sets
// off in the host queues behind it again instead of running inside it.
CTavrel::COperation::~COperation() {
  if (m_outermost) m_surface->RunDeferredInput();
  --m_surface->m_callDepth;
}

void CTavrel::DeferShortMidi(DWORD message) {
  if (m_deferredCount < DEFERRED_INPUT_LIMIT) m_deferred[m_deferredCount++] = {false, message, 0};
}

void CTavrel::DeferShuttle(int32_t move) {
  if (m_deferredCount < DEFERRED_INPUT_LIMIT) m_deferred[m_deferredCount++] = {true, 0, move};
}

// Each queued message is handled as an operation of its own, on the window
// and attachment of its time. Input queued meanwhile joins the end; the queue
// never holds more than its limit, so the drain always ends.
void CTavrel::RunDeferredInput() {
  for (int32_t next = 0; next < m_deferredCount; ++next) {
    const DeferredInput input = m_deferred[next];
    m_operationAttachment = m_attachment;
    if (input.isShuttle)
      OnShuttle(input.move);
    else
      HandleShortMidi(input.message);
  }
  m_deferredCount = 0;
}

void CTavrel::AttachmentChanged() {
  ++m_attachment;
  m_deferredCount = 0;
}
