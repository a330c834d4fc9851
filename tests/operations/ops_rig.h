#pragma once
// The operations against the emulated host, in virtual time.
#include <fstream>
#include <string>
#include <vector>

#include "operations/operation_context.h"
#include "tests/link/link_rig.h"

namespace korvane::test {

class OpsTest : public LinkTest {
  protected:
    OperationContext ctx{protocol, op, scratch.File("Write.txt"), scratch.File("RHost.txt")};

    std::vector<std::string> BoxTexts() const {
        std::vector<std::string> out;
        for (const auto& e : op.Boxes()) out.push_back(e.text);
        return out;
    }
    // Request bytes (type through checksum) of every request the host took in.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (const Report& r : host.received) {
            const std::size_t n = r[5] <= 58 ? r[5] : 58;
            out.push_back(
                ToHex(Bytes(r.begin() + 3, r.begin() + 7 + static_cast<std::ptrdiff_t>(n))));
        }
        return out;
    }
    static void WriteFile(const std::string& path, const Bytes& bytes) {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes ReadFile(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
};

}  // namespace korvane::test
