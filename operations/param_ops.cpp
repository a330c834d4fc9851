#include "operations/param_ops.h"

#include "common/staging.h"
#include "common/texts.h"
#include "protocol/transaction.h"

namespace korvane::ops {

namespace {

// Stages a parameter list and sends it; Write.txt keeps exactly this request.
bool SendParameterList(OperationContext& ctx, LampCommand command, const Bytes& records,
                       const char* title) {
    // Held from the write to the transfer's read of the file: another
    // program's list must not take this one's place in between.
    const StagingLock staging;
    if (!staging.ok() || !WriteWholeFile(records.data(), records.size(), ctx.writePath)) {
        ShowAppBox(ctx.op, StagingFailedText());
        return false;
    }
    const int r = ctx.protocol.BulkSendFile(Code(command), ctx.writePath, title);
    if (ctx.op.ProgressIsOpen()) ctx.op.ProgressClose();
    return r == 1;
}

// Fetches a read-back into RHost.txt, then takes at most the reply buffer's
// worth of it and deletes the file. nullopt when the transfer failed.
std::optional<Bytes> FetchReadBack(OperationContext& ctx, LampCommand command, const char* title) {
    // Held from the transfer's write of the file to its reading here.
    const StagingLock staging;
    if (!staging.ok()) {
        ShowAppBox(ctx.op, StagingFailedText());
        return std::nullopt;
    }
    const int r = ctx.protocol.BulkReadToFile(Code(command), ctx.readPath, title);
    if (ctx.op.ProgressIsOpen()) ctx.op.ProgressClose();
    if (r != 1) {
        ShowAppBox(ctx.op, texts::kReadFailedShort);
        return std::nullopt;
    }
    auto content = ReadWholeFile(ctx.readPath, kRecordReplyLimit);
    RemoveFile(ctx.readPath);
    return content ? *content : Bytes();
}

}  // namespace

bool SetBasicParams(OperationContext& ctx, const BasicParamValues& values) {
    const BasicParamResult built = BasicParamRecords(values);
    switch (built.error) {
        case BasicParamError::AlarmTimeRange:
            ShowAppBox(ctx.op, texts::kAlarmRange);
            return false;
        case BasicParamError::PasswordLength:
            ShowAppBox(ctx.op, texts::kPasswordLength);
            return false;
        case BasicParamError::None:
            break;
    }
    TellSending(ctx, sent::Basic{values});
    const bool ok =
        SendParameterList(ctx, LampCommand::SetBasicParams, built.records, texts::kTitleSetParams);
    ShowAppBox(ctx.op, ok ? texts::kSetParamsOk : texts::kSetParamsFailed);
    return ok;
}

std::optional<BasicReadResult> ReadBasicParams(OperationContext& ctx) {
    const auto content = FetchReadBack(ctx, LampCommand::ReadBasicParams, "");
    if (!content) return std::nullopt;
    BasicReadResult result;
    result.empty = content->empty();
    if (!result.empty) result.values = DecodeBasicParams(content->data(), content->size());
    return result;
}

bool SetAddressCodes(OperationContext& ctx, const AddressCodeValues& values) {
    const AddressCodeResult built = AddressCodeRecords(values);
    switch (built.error) {
        case AddressCodeError::VolumeInvalid:
        case AddressCodeError::AddressInvalid:
            ShowAppBox(ctx.op, texts::kInputInvalid);
            return false;
        case AddressCodeError::OutOfRange:
            ShowAppBox(ctx.op, texts::kOutOfRange);
            return false;
        case AddressCodeError::NothingChecked:
            return false;
        case AddressCodeError::None:
            break;
    }
    TellSending(ctx, sent::AddressCodes{values});
    const bool ok = SendParameterList(ctx, LampCommand::SetAddressCodes, built.records,
                                      texts::kTitleSetAddressCodes);
    ShowAppBox(ctx.op, ok ? texts::kSetAddressCodesOk : texts::kSetAddressCodesFailed);
    return ok;
}

std::optional<std::vector<AddressReadItem>> ReadAddressCodes(OperationContext& ctx) {
    const auto content =
        FetchReadBack(ctx, LampCommand::ReadAddressCodes, texts::kTitleReadAddressCodes);
    if (!content) return std::nullopt;
    return DecodeAddressCodes(content->data(), content->size());
}

}  // namespace korvane::ops
