#pragma once
// The bulk procedures are members of LampProtocol, next to the transaction
// they send each packet with.
#include "protocol/transaction.h"

namespace korvane {

// Idle time after packet 1 of a bulk send: the host erases before it takes more.
int FirstPacketWaitMs(uint8_t cmd);
inline constexpr int kNextPacketWaitMs = 10;
// The idle time a bulk send of `packets` packets keeps at the least.
int64_t BulkSendPausesMs(uint8_t cmd, std::size_t packets);

}  // namespace korvane
