#pragma once
// Basic parameters (RT-220) and address-code parameters (RT-221).
#include <optional>
#include <vector>

#include "operations/operation_context.h"
#include "protocol/records.h"

namespace korvane::ops {

bool SetBasicParams(OperationContext& ctx, const BasicParamValues& values);

struct BasicReadResult {
    bool empty = true;  // the host sent no bytes: the form is left alone
    BasicReadBack values;
};
// nullopt when the read failed ("读取失败！" has been shown).
std::optional<BasicReadResult> ReadBasicParams(OperationContext& ctx);

bool SetAddressCodes(OperationContext& ctx, const AddressCodeValues& values);
// The records in reply order; nullopt when the read failed.
std::optional<std::vector<AddressReadItem>> ReadAddressCodes(OperationContext& ctx);

}  // namespace korvane::ops
