#include "trace/trace_export.h"

#include <QDateTime>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "trace/pcapng.h"

namespace korvane::trace {

namespace {

// The trace's start since 1970, in microseconds; 0 when the header tells none.
uint64_t StartUs(const TraceEvent& header) {
    const QDateTime start =
        QDateTime::fromString(QString::fromStdString(header.start), Qt::ISODate);
    if (!start.isValid() || start.toMSecsSinceEpoch() < 0) return 0;
    return static_cast<uint64_t>(start.toMSecsSinceEpoch()) * 1000;
}

}  // namespace

Bytes CaptureOf(const Trace& trace) {
    Bytes file = pcapng::SectionHeader();
    const Bytes interface = pcapng::InterfaceDescription(pcapng::kLinkTypeUsbPcap, 0xFFFF);
    file.insert(file.end(), interface.begin(), interface.end());
    std::vector<std::string> hosts;
    uint64_t startUs = 0;
    uint16_t device = 1;
    uint64_t irp = 0;
    for (const TraceEvent& e : trace.events) {
        if (e.kind == TraceEvent::Kind::Header) startUs = StartUs(e);
        if (e.kind == TraceEvent::Kind::Host) {
            auto known = std::find(hosts.begin(), hosts.end(), e.host.path);
            if (known == hosts.end()) known = hosts.insert(hosts.end(), e.host.path);
            device = static_cast<uint16_t>(1 + (known - hosts.begin()));
        }
        const bool moved =
            (e.kind == TraceEvent::Kind::Write || e.kind == TraceEvent::Kind::Read) &&
            e.result == TraceEvent::Result::Ok;
        if (!moved) continue;
        pcapng::UsbTransfer t;
        t.irpId = ++irp;
        t.device = device;
        t.endpoint = e.kind == TraceEvent::Kind::Write ? kOutEndpoint : kInEndpoint;
        t.data = e.report.data() + 1;
        t.length = e.report.size() - 1;
        const Bytes block = pcapng::EnhancedPacket(0, startUs + static_cast<uint64_t>(e.us),
                                                   pcapng::UsbPcapInterrupt(t));
        file.insert(file.end(), block.begin(), block.end());
    }
    return file;
}

bool WriteCapture(const Trace& trace, const std::string& path, std::string* why) {
    const Bytes file = CaptureOf(trace);
    std::ofstream out(std::filesystem::u8path(path), std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
    out.close();
    if (out) return true;
    if (why != nullptr) *why = "it cannot be written";
    return false;
}

}  // namespace korvane::trace
