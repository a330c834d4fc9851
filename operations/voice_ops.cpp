#include "operations/voice_ops.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/letter_case.h"
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

bool ListedBefore(const std::string& a, const std::string& b) {
    const std::u16string upperA = UpperUtf16(a);
    const std::u16string upperB = UpperUtf16(b);
    if (upperA != upperB) return upperA < upperB;
    return a < b;
}

bool AuthorizationAccepts(const std::string& entered) {
    // The key file is looked for in the current folder; its content is never read.
    return entered == texts::kAuthPassword || OpensForReading(texts::kAuthKeyFile);
}

bool Authorize(OperatorSeam& op) {
    const auto entered = op.AskAuthorizationPassword();
    if (!entered) return false;
    if (AuthorizationAccepts(*entered)) return true;
    ShowAppBox(op, texts::kAuthWrong);
    return false;
}

SoundListing ListSoundFolder(const std::string& folder) {
    SoundListing listing;
    std::error_code ec;
    try {
        // UTF-8 names throughout: through string() Windows would pass them
        // through the ANSI code page and lose every character it lacks.
        for (fs::directory_iterator it(fs::u8path(folder), ec), end; !ec && it != end;
             it.increment(ec)) {
            std::string name = it->path().filename().u8string();
            if (EndsWithWavIgnoringCase(name))
                listing.files.push_back({std::move(name), it->path().u8string(), {}});
        }
    } catch (const std::exception&) {
        // A name that is no text in any encoding (Windows throws on it).
        ec = std::make_error_code(std::errc::illegal_byte_sequence);
    }
    // A listing cut short by an error would send part of the folder.
    if (ec || listing.files.empty()) {
        listing.files.clear();
        listing.error = texts::kNoVoiceFiles;
        return listing;
    }
    // The directory's own order on Linux is a hash order; the order Windows
    // lists a folder in is the one an operator can predict and check.
    std::sort(listing.files.begin(), listing.files.end(),
              [](const SoundFile& a, const SoundFile& b) { return ListedBefore(a.name, b.name); });
    for (SoundFile& file : listing.files) {
        const auto gbkName = Utf8ToGbk(file.name);
        if (!gbkName) {
            listing.error = Format(texts::kVoiceNameUnencodable, file.name);
            listing.files.clear();
            return listing;
        }
        file.gbkName = *gbkName;
    }
    return listing;
}

const char* SoundImageRefusal(std::uint64_t audioTotal, std::size_t entries) {
    if (audioTotal == 0) return texts::kNoVoiceFiles;
    if (audioTotal > kSoundAudioLimit) return texts::kVoiceTooLarge;
    // Many small files can still outgrow the packet count with their headers.
    if (audioTotal + kSoundHeader * entries > kMaxBulkImage) return texts::kImageTooLarge;
    return nullptr;
}

std::string UnreadableSoundText(const SoundFile& file) {
    return Format(texts::kVoiceFileUnreadable, file.name);
}

SoundImageResult AssembleSoundFolder(const std::string& folder) {
    SoundImageResult result;
    const SoundListing listing = ListSoundFolder(folder);
    if (!listing.error.empty()) {
        result.error = listing.error;
        return result;
    }
    SoundImage image;
    for (const SoundFile& wav : listing.files) {
        // Only a regular file counts: a sub-folder, a pipe or a device node
        // named *.wav ends the download before anything is sent.
        OperatorFile file(wav.path);
        if (!file.ok()) {
            result.error = UnreadableSoundText(wav);
            return result;
        }
        const std::uint64_t length = file.size();
        if (length > kSoundAudioLimit - std::min(image.audioTotal(), kSoundAudioLimit)) {
            // Refused anyway: count it, keep nothing. Counting a huge file as
            // just over the bound keeps the total from wrapping around.
            image.Add(
                wav.gbkName, nullptr,
                static_cast<std::size_t>(std::min<std::uint64_t>(length, kSoundAudioLimit + 1)));
            continue;
        }
        std::vector<uint8_t> data(static_cast<std::size_t>(length));
        if (!file.ReadAll(data.data(), data.size())) {
            result.error = UnreadableSoundText(wav);
            return result;
        }
        image.Add(wav.gbkName, data.data(), data.size());
    }
    if (const char* refusal = SoundImageRefusal(image.audioTotal(), image.entries())) {
        result.error = refusal;
        return result;
    }
    result.image = std::move(image);
    return result;
}

bool DownloadVoice(OperationContext& ctx, SoundArea area) {
    if (area == SoundArea::Fixed && !Authorize(ctx.op)) return false;
    const std::optional<std::string> folder = ctx.op.ChooseFolder("");
    if (!folder) return false;
    SoundImageResult assembled = AssembleSoundFolder(*folder);
    if (!assembled.image) {
        if (!assembled.error.empty()) ShowAppBox(ctx.op, assembled.error);
        return false;
    }
    const AreaTexts& t = TextsOf(area);
    const Bytes& bytes = assembled.image->bytes();
    TellSending(
        ctx,
        sent::Download{
            area, *folder,
            SoundImage::Parse(bytes.data(), bytes.size()).value_or(std::vector<SoundEntry>())});
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
    TellSending(ctx, sent::Format{area});
    ShowCommandProgress(ctx.op, t.formatting);
    const Bytes request = LampFrame::EmptyRequest(t.format);
    const int r = ctx.protocol.SendCommand(1, static_cast<int>(request.size()), request.data());
    ShowAppBox(ctx.op, r == 1 ? t.formatOk : t.formatFailed);
    ctx.op.ProgressClose();
    return r == 1;
}

}  // namespace korvane::ops
