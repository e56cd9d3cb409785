// What scripts read of any status table: `lmxpipe status --json` (tools/lmxpipe/record_json)
// and the service's Prometheus text (service/monitor/metrics_text). The input: the temperature
// setting, the last poll's time, a few event counts, then the six records.
//
// Properties: the JSON parses (nlohmann) to an array of six objects; the metrics text follows
// the exposition format: every line a comment (HELP and TYPE well formed) or a sample of a declared family,
// metric and label names of the grammar, label values UTF-8 with only \\, \" and \n escapes,
// values numbers, and the text ends with a line feed.

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "service/monitor/metrics_text.h"
#include "tools/lmxpipe/record_json.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool isNameStart(char c, bool colon) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || (colon && c == ':');
}
bool isNameChar(char c, bool colon) { return isNameStart(c, colon) || (c >= '0' && c <= '9'); }

// A name at `at`: returns it and moves past it, empty when none.
std::string_view takeName(std::string_view line, std::size_t& at, bool colon) {
    const std::size_t start = at;
    if (at >= line.size() || !isNameStart(line[at], colon)) return {};
    while (at < line.size() && isNameChar(line[at], colon)) ++at;
    return line.substr(start, at - start);
}

bool validUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        if (length == 2 && c < 0xC2) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        if (length == 3) {
            const auto d = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0)) return false;
        }
        if (length == 4) {
            const auto d = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xF0 && d < 0x90) || c > 0xF4 || (c == 0xF4 && d >= 0x90)) return false;
        }
        i += length;
    }
    return true;
}

bool validValue(std::string_view text) {
    if (text == "NaN" || text == "+Inf" || text == "-Inf") return true;
    if (text.empty()) return false;
    const std::string copy(text);
    char* end = nullptr;
    std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size();
}

bool validSample(std::string_view line, const std::set<std::string, std::less<>>& families) {
    std::size_t at = 0;
    const auto name = takeName(line, at, true);
    if (name.empty()) return false;
    // A summary's or histogram's samples would add suffixes; this text has gauges and counters.
    if (!families.count(name)) return false;
    if (at < line.size() && line[at] == '{') {
        ++at;
        while (at < line.size() && line[at] != '}') {
            if (takeName(line, at, false).empty()) return false;
            if (line.substr(at, 2) != "=\"") return false;
            at += 2;
            const std::size_t valueStart = at;
            while (at < line.size() && line[at] != '"') {
                if (line[at] == '\\') {
                    if (at + 1 >= line.size()) return false;
                    const char e = line[at + 1];
                    if (e != '\\' && e != '"' && e != 'n') return false;
                    at += 2;
                } else {
                    ++at;
                }
            }
            if (at >= line.size()) return false;
            if (!validUtf8(line.substr(valueStart, at - valueStart))) return false;
            ++at;  // the closing quote
            if (at < line.size() && line[at] == ',') ++at;
        }
        if (at >= line.size()) return false;
        ++at;  // '}'
    }
    if (at >= line.size() || line[at] != ' ') return false;
    const std::string_view rest = line.substr(at + 1);
    const std::size_t space = rest.find(' ');
    if (!validValue(rest.substr(0, space))) return false;
    if (space != std::string_view::npos) {
        // A timestamp: an integer of milliseconds.
        const std::string_view stamp = rest.substr(space + 1);
        if (stamp.empty()) return false;
        for (std::size_t i = 0; i < stamp.size(); ++i) {
            if (!((stamp[i] >= '0' && stamp[i] <= '9') || (i == 0 && stamp[i] == '-'))) return false;
        }
    }
    return true;
}

// What a parser sees of the JSON's outer shape (parsing events only: the whole document is
// checked without building it).
struct TopLevelShape : nlohmann::json_sax<nlohmann::json> {
    int depth = 0;
    bool array = false;
    std::size_t objects = 0;
    std::size_t others = 0;  // values at the top of the array that are not objects

    void value() {
        if (depth == 1) ++others;
    }
    bool null() override { return value(), true; }
    bool boolean(bool) override { return value(), true; }
    bool number_integer(number_integer_t) override { return value(), true; }
    bool number_unsigned(number_unsigned_t) override { return value(), true; }
    bool number_float(number_float_t, const string_t&) override { return value(), true; }
    bool string(string_t&) override { return value(), true; }
    bool binary(binary_t&) override { return value(), true; }
    bool start_object(std::size_t) override {
        if (depth == 1) ++objects;
        ++depth;
        return true;
    }
    bool key(string_t&) override { return true; }
    bool end_object() override { return --depth, true; }
    bool start_array(std::size_t) override {
        if (depth == 0) array = true;
        else if (depth == 1) ++others;
        ++depth;
        return true;
    }
    bool end_array() override { return --depth, true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }
};

void checkExposition(const std::string& text) {
    FUZZ_CHECK(!text.empty() && text.back() == '\n');
    std::set<std::string, std::less<>> families;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        FUZZ_CHECK(validUtf8(line));
        if (line.rfind("# HELP ", 0) == 0) {
            std::size_t at = 7;
            FUZZ_CHECK(!takeName(line, at, true).empty());
        } else if (line.rfind("# TYPE ", 0) == 0) {
            std::size_t at = 7;
            const auto name = takeName(line, at, true);
            FUZZ_CHECK(!name.empty() && at < line.size() && line[at] == ' ');
            const auto type = line.substr(at + 1);
            FUZZ_CHECK(type == "gauge" || type == "counter" || type == "untyped");
            FUZZ_CHECK(families.emplace(name).second);
        } else if (line.rfind("#", 0) != 0) {
            FUZZ_CHECK(validSample(line, families));
        }  // any other line beginning with # is a comment
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lmx::fuzz::FuzzInput input(data, size);
    dwsvc::MetricsSnapshot snapshot;
    snapshot.temperatureSetting = input.u32();
    snapshot.lastPollUnixSeconds = static_cast<std::int64_t>(std::uint64_t{input.u32()} << 32 | input.u32());
    for (int events = input.byte() % 4; events > 0; --events) {
        const std::uint32_t id = input.u32();
        snapshot.eventCounts[id] = std::uint64_t{input.u32()} << (input.byte() % 33);
    }
    for (auto& record : snapshot.records) {
        lmx::StatusRecordBytes bytes;
        input.fill(bytes);
        record = lmx::recordFromBytes(bytes);
    }

    const std::string json = lmxpipe::statusTableJson(snapshot.records);
    TopLevelShape shape;
    FUZZ_CHECK(nlohmann::json::sax_parse(json, &shape));
    FUZZ_CHECK(shape.array && shape.objects == snapshot.records.size() && shape.others == 0);

    checkExposition(dwsvc::metricsText(snapshot));
    return 0;
}
