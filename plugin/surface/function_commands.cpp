// The function-command rows, the cursor keys and the bank window.
#include "tavrel.h"

using namespace midi;

void CTavrel::RunFunctionCommand(int8_t) {}
void CTavrel::OnCursorKey(uint8_t, uint8_t) {}
void CTavrel::ChangeBank(int) {}
