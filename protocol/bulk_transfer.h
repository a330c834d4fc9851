#pragma once
// The bulk procedures are members of LampProtocol, next to the transaction
// they send each packet with.
#include "protocol/transaction.h"

namespace korvane {

// Idle time after packet 1 of a bulk send: the host erases before it takes more.
int FirstPacketWaitMs(uint8_t cmd);
inline constexpr int kNextPacketWaitMs = 10;

}  // namespace korvane
