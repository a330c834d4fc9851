#include "operations/system_ops.h"

#include <cstdio>
#include <vector>

#include "common/resource_ids.h"
#include "common/texts.h"
#include "operations/operator_file.h"
#include "protocol/frequency.h"
#include "protocol/lamp_frame.h"
#include "protocol/transaction.h"

namespace korvane {

void ShowCommandProgress(OperatorSeam& op, const std::string& text) {
    op.ProgressOpen();
    op.ProgressSetRange(100);
    op.ProgressSetText(ids::kProgressDoing, text);
}

void TellSending(const OperationContext& ctx, const Outgoing& what) {
    if (ctx.onSending) ctx.onSending(what);
}

namespace ops {

namespace {

// One request under the progress dialog, with the result box shown while the
// dialog is still up, as the operator has always seen it.
bool RunCommand(OperationContext& ctx, const Bytes& request, const char* progressText,
                const char* okText, const char* failText) {
    ShowCommandProgress(ctx.op, progressText);
    const int r = ctx.protocol.SendCommand(1, static_cast<int>(request.size()), request.data());
    if (r == 1 && okText != nullptr) ShowAppBox(ctx.op, okText);
    if (r != 1 && failText != nullptr) ShowAppBox(ctx.op, failText);
    return r == 1;
}

const Bytes kInitRequest = LampFrame::EmptyRequest(LampCommand::InitDevice);
const Bytes kReadFrequencyRequest = LampFrame::EmptyRequest(LampCommand::ReadFrequency);
const Bytes kReadVersionRequest = LampFrame::EmptyRequest(LampCommand::ReadVersion);

}  // namespace

bool InitDevice(OperationContext& ctx) {
    TellSending(ctx, sent::Init{});
    const bool ok =
        RunCommand(ctx, kInitRequest, texts::kInitialising, texts::kInitOk, texts::kInitFailed);
    ctx.op.ProgressClose();
    return ok;
}

bool SetFrequency(OperationContext& ctx, float frequency) {
    TellSending(ctx, sent::Frequency{frequency});
    const bool ok = RunCommand(ctx, SetFrequencyRequest(frequency), texts::kSettingFrequency,
                               texts::kSetFrequencyOk, texts::kSetFrequencyFailed);
    ctx.op.ProgressClose();
    return ok;
}

std::optional<float> ReadFrequency(OperationContext& ctx) {
    ShowCommandProgress(ctx.op, texts::kReadingFrequency);
    const int r = ctx.protocol.SendCommand(1, static_cast<int>(kReadFrequencyRequest.size()),
                                           kReadFrequencyRequest.data());
    std::optional<float> result;
    if (r != 1) {
        ShowAppBox(ctx.op, texts::kReadFrequencyFailed);
    } else {
        const Bytes digits = LampFrame::DataOf(ctx.protocol.InputReport);
        result = DigitsToMhz(digits.data(), digits.size());
        ShowAppBox(ctx.op, texts::kReadFrequencyOk);
    }
    ctx.op.ProgressClose();
    return result;
}

std::optional<std::string> ReadVersion(OperationContext& ctx) {
    ShowCommandProgress(ctx.op, texts::kReadingVersion);
    const int r = ctx.protocol.SendCommand(1, static_cast<int>(kReadVersionRequest.size()),
                                           kReadVersionRequest.data());
    std::optional<std::string> version;
    if (r != 1) {
        ShowAppBox(ctx.op, texts::kReadVersionFailed);
    } else {
        // One character per data byte; a zero byte ends the text.
        std::string text;
        for (uint8_t b : LampFrame::DataOf(ctx.protocol.InputReport)) {
            if (b == 0) break;
            text.push_back(static_cast<char>(b));
        }
        version = text;
    }
    ctx.op.ProgressClose();
    return version;
}

bool UpgradeFirmware(OperationContext& ctx) {
    const auto path = ctx.op.ChooseFile(texts::kFirmwareFilter);
    if (!path) return false;
    ctx.op.ProgressOpen();
    ctx.op.ProgressSetRange(100);

    // A pipe or a device node chosen by mistake is no image and must not hold the window.
    OperatorFile file(*path);
    if (!file.ok()) {
        ctx.op.ProgressClose();
        return false;
    }
    // The host's program memory takes no more; refuse before anything is sent.
    if (file.size() > kMaxFirmwareImage) {
        ctx.op.ProgressClose();
        ShowAppBox(ctx.op, texts::kFirmwareTooLarge);
        return false;
    }
    std::vector<uint8_t> image(static_cast<std::size_t>(file.size()));
    if (!file.ReadAll(image.data(), image.size())) {
        ctx.op.ProgressClose();
        return false;
    }

    TellSending(ctx, sent::Upgrade{*path, image.size()});
    const int r = ctx.protocol.BulkSendBuffer(Code(LampCommand::UpgradeFirmware), image.data(),
                                              image.size(), texts::kTitleUpgrade);
    if (ctx.op.ProgressIsOpen()) ctx.op.ProgressClose();
    ShowAppBox(ctx.op, r == 1 ? texts::kUpgradeOk : texts::kUpgradeFailed);
    return r == 1;
}

}  // namespace ops
}  // namespace korvane
