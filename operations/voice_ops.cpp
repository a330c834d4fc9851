#include "operations/voice_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/texts.h"
#include "operations/operator_file.h"
#include "protocol/bulk_packets.h"
#include "protocol/transaction.h"

namespace korvane::ops {

namespace fs = std::filesystem;

namespace {

bool EndsWithWavIgnoringCase(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return tail == ".wav";
}

std::string Format(const char* pattern, const std::string& arg) {
    char buf[1024];
    std::snprintf(buf, sizeof buf, pattern, arg.c_str());
    return buf;
}

// True when the key file can be opened for reading as a file (a folder of
// that name does not count). Its content is never read. O_NONBLOCK: a pipe
// of that name must not hold the window in the open.
bool KeyFilePresent() {
    const int fd = ::open(texts::kAuthKeyFile, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool isFile = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return isFile;
}

struct AreaTexts {
    LampCommand download;
    LampCommand format;
    const char* title;
    const char* downloadOk;
    const char* downloadFailed;
    const char* formatting;
    const char* formatOk;
    const char* formatFailed;
};

const AreaTexts& TextsOf(SoundArea area) {
    static const AreaTexts custom{LampCommand::DownloadVoice, LampCommand::FormatVoiceArea,
                                  texts::kTitleDownloadVoice, texts::kDownloadOk,
                                  texts::kDownloadFailed,     texts::kFormatting,
                                  texts::kFormatOk,           texts::kFormatFailed};
    static const AreaTexts fixed{LampCommand::DownloadFixedVoice, LampCommand::FormatFixedVoiceArea,
                                 texts::kTitleDownloadFixedVoice, texts::kDownloadFixedOk,
                                 texts::kDownloadFixedFailed,     texts::kFormattingFixed,
                                 texts::kFormatFixedOk,           texts::kFormatFixedFailed};
    return area == SoundArea::Custom ? custom : fixed;
}

}  // namespace

bool AuthorizationAccepts(const std::string& entered) {
    return entered == texts::kAuthPassword || KeyFilePresent();
}

bool Authorize(OperatorSeam& op) {
    const auto entered = op.AskAuthorizationPassword();
    if (!entered) return false;
    if (AuthorizationAccepts(*entered)) return true;
    ShowAppBox(op, texts::kAuthWrong);
    return false;
}

SoundImageResult AssembleSoundFolder(const std::string& folder) {
    SoundImageResult result;
    std::vector<fs::path> matches;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (EndsWithWavIgnoringCase(name)) matches.push_back(it->path());
    }
    // A listing cut short by an error would send part of the folder.
    if (ec || matches.empty()) {
        result.error = texts::kNoVoiceFiles;
        return result;
    }
    // The directory's own order on Linux is a hash order; the name order is
    // the one an operator can predict and check.
    std::sort(matches.begin(), matches.end());

    SoundImage image;
    for (const fs::path& path : matches) {
        const std::string shown = path.filename().string();
        const auto gbkName = Utf8ToGbk(path.filename().string());
        if (!gbkName) {
            result.error = Format(texts::kVoiceNameUnencodable, shown);
            return result;
        }
        // Only a regular file counts: a sub-folder, a pipe or a device node
        // named *.wav ends the download before anything is sent.
        OperatorFile file(path.string());
        if (!file.ok()) {
            result.error = Format(texts::kVoiceFileUnreadable, shown);
            return result;
        }
        const std::uint64_t length = file.size();
        if (length > kSoundAudioLimit - std::min(image.audioTotal(), kSoundAudioLimit)) {
            // Refused anyway: count it, keep nothing. Counting a huge file as
            // just over the bound keeps the total from wrapping around.
            image.Add(
                *gbkName, nullptr,
                static_cast<std::size_t>(std::min<std::uint64_t>(length, kSoundAudioLimit + 1)));
            continue;
        }
        std::vector<uint8_t> data(static_cast<std::size_t>(length));
        if (!file.ReadAll(data.data(), data.size())) {
            result.error = Format(texts::kVoiceFileUnreadable, shown);
            return result;
        }
        image.Add(*gbkName, data.data(), data.size());
    }
    if (image.audioTotal() == 0) {
        result.error = texts::kNoVoiceFiles;
        return result;
    }
    if (image.overLimit()) {
        result.error = texts::kVoiceTooLarge;
        return result;
    }
    // Many small files can still outgrow the packet count with their headers.
    if (image.imageLength() > kMaxBulkImage) {
        result.error = texts::kImageTooLarge;
        return result;
    }
    result.image = std::move(image);
    return result;
}

bool DownloadVoice(OperationContext& ctx, SoundArea area) {
    if (area == SoundArea::Fixed && !Authorize(ctx.op)) return false;
    const std::string folder = ctx.op.ChooseFolder("");
    if (folder.empty()) return false;
    SoundImageResult assembled = AssembleSoundFolder(folder);
    if (!assembled.image) {
        if (!assembled.error.empty()) ShowAppBox(ctx.op, assembled.error);
        return false;
    }
    const AreaTexts& t = TextsOf(area);
    const Bytes& bytes = assembled.image->bytes();
    const int r =
        ctx.protocol.BulkSendBuffer(Code(t.download), bytes.data(), bytes.size(), t.title);
    assembled.image.reset();
    if (ctx.op.ProgressIsOpen()) ctx.op.ProgressClose();
    ShowAppBox(ctx.op, r == 1 ? t.downloadOk : t.downloadFailed);
    return r == 1;
}

bool FormatVoiceArea(OperationContext& ctx, SoundArea area) {
    if (area == SoundArea::Fixed && !Authorize(ctx.op)) return false;
    const AreaTexts& t = TextsOf(area);
    ShowCommandProgress(ctx.op, t.formatting);
    const Bytes request = LampFrame::EmptyRequest(t.format);
    const int r = ctx.protocol.SendCommand(1, static_cast<int>(request.size()), request.data());
    ShowAppBox(ctx.op, r == 1 ? t.formatOk : t.formatFailed);
    ctx.op.ProgressClose();
    return r == 1;
}

}  // namespace korvane::ops
