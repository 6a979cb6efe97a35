// Transport, store, function, up and down keys, jog wheel, shuttle, locate
// buttons and the footswitch tap machine.
#include "tavrel.h"

using namespace midi;

void CTavrel::OnTransportKey(uint8_t, uint8_t) {}
void CTavrel::OnStoreKey(uint8_t) {}
void CTavrel::OnFunctionKey(uint8_t, uint8_t) {}
void CTavrel::OnUpDownKey(uint8_t, uint8_t) {}
void CTavrel::OnUnusedKey(uint8_t) {}
void CTavrel::OnJogWheel(uint8_t) {}
void CTavrel::OnLocateButton(uint8_t) {}
void CTavrel::OnFootswitch(uint8_t) {}
void CTavrel::OnShuttle(int32_t) {}
void CTavrel::MoveNowTime(int32_t) {}
