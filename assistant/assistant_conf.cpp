#include "assistant/assistant_conf.h"

#include "record/conf_file.h"

#include <charconv>
#include <sstream>
#include <utility>
#include <vector>

namespace {

constexpr const char* kPrefix = "assistant-";

std::string one_line(std::string value) {
    for (char& c : value) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    return value;
}

// The keys with their places in `memory`, in the order they are written.
template <typename Memory, typename Each> void each_key(Memory& m, Each each) {
    each("technician", m.technician);
    each("tag", m.tag);
    each("zero-gas-concentration", m.zeroGas.concentration);
    each("zero-gas-unit", m.zeroGas.unit);
    each("zero-gas-lot", m.zeroGas.lot);
    each("zero-gas-expiry", m.zeroGas.expiry);
    each("span-gas-concentration", m.spanGas.concentration);
    each("span-gas-unit", m.spanGas.unit);
    each("span-gas-lot", m.spanGas.lot);
    each("span-gas-expiry", m.spanGas.expiry);
}

double tolerance_of(const std::string& text) {
    double v = 0.0;
    const char* end = text.data() + text.size();
    auto r = std::from_chars(text.data(), end, v);
    if (r.ec != std::errc() || r.ptr != end || !(v > 0.0) || v > 1000.0)
        return 0.0;
    return v;
}

} // namespace

AssistantMemory read_assistant_memory(const std::string& confPath) {
    AssistantMemory m;
    for (const std::string& line : conf_lines(confPath)) {
        if (line.rfind(kPrefix, 0) != 0)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(std::char_traits<char>::length(kPrefix),
                                            eq - std::char_traits<char>::length(kPrefix));
        const std::string value = line.substr(eq + 1);
        if (key == "tolerance")
            m.tolerancePercent = tolerance_of(value);
        each_key(m, [&](const char* name, std::string& field) {
            if (key == name)
                field = value;
        });
    }
    return m;
}

bool write_assistant_memory(const std::string& confPath, const AssistantMemory& memory) {
    std::ostringstream text;
    each_key(memory, [&](const char* name, const std::string& field) {
        text << kPrefix << name << '=' << one_line(field) << '\n';
    });
    if (memory.tolerancePercent > 0.0) {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, memory.tolerancePercent);
        text << kPrefix << "tolerance=" << std::string(buf, r.ptr) << '\n';
    }
    return replace_conf_lines(confPath, kPrefix, text.str());
}
