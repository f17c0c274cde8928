#include "fault_plan.h"

#include <charconv>
#include <map>

namespace sim {

namespace {

using Kind = FaultPlan::Kind;

const std::map<std::string_view, Kind>& KindNames() {
    static const std::map<std::string_view, Kind> names = {
        {"drop", Kind::Drop},   {"corrupt", Kind::Corrupt}, {"length", Kind::Length},
        {"delay", Kind::Delay}, {"split", Kind::Split},     {"noise", Kind::Noise},
        {"twice", Kind::Twice}, {"lower", Kind::Lower},     {"close", Kind::Close},
    };
    return names;
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t from = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::optional<int> ParseInt(std::string_view text, int low, int high) {
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value < low ||
        value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseProbability(std::string_view text) {
    // from_chars for double is not in every standard library yet; parse d.ddd by hand.
    const std::size_t dot = text.find('.');
    const auto whole = ParseInt(text.substr(0, dot), 0, 1);
    if (!whole) {
        return std::nullopt;
    }
    double value = *whole;
    if (dot != std::string_view::npos) {
        std::string_view fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 9 || !ParseInt(fraction, 0, 999999999)) {
            return std::nullopt;
        }
        double scale = 0.1;
        for (const char c : fraction) {
            value += (c - '0') * scale;
            scale /= 10;
        }
    }
    if (value > 1) {
        return std::nullopt;
    }
    return value;
}

int DefaultValue(Kind kind) {
    switch (kind) {
        case Kind::Length:
            return 1;
        case Kind::Delay:
            return 500;
        case Kind::Split:
            return 3;
        case Kind::Noise:
            return 5;
        default:
            return 0;
    }
}

// Applies one key=value to a rule; returns an error text or empty.
std::string ApplyKey(FaultPlan::Rule& rule, std::string_view key, std::string_view value) {
    std::optional<int> number;
    const auto bad = [&] {
        return "bad value '" + std::string(value) + "' for " + std::string(key);
    };
    if (key == "code") {
        if (value.size() != 2) {
            return "code must be two characters";
        }
        rule.code = value;
        return {};
    }
    if (key == "p") {
        const auto p = ParseProbability(value);
        if (!p) {
            return bad();
        }
        rule.probability = *p;
        return {};
    }
    if (key == "part" && rule.kind == Kind::Lower) {
        if (value != "body" && value != "checksum") {
            return bad();
        }
        rule.body = value == "body";
        return {};
    }
    struct Range {
        std::string_view key;
        Kind kind;
        int low;
        int high;
        int FaultPlan::Rule::*field;
    };
    static const Range ranges[] = {
        {"first", Kind::Drop, 1, 1000000, &FaultPlan::Rule::first},
        {"ms", Kind::Delay, 0, 60000, &FaultPlan::Rule::value},
        {"pieces", Kind::Split, 2, 64, &FaultPlan::Rule::value},
        {"gap", Kind::Split, 0, 10000, &FaultPlan::Rule::gapMs},
        {"n", Kind::Noise, 1, 64, &FaultPlan::Rule::value},
        {"delta", Kind::Length, -1, 1, &FaultPlan::Rule::value},
    };
    for (const Range& r : ranges) {
        if (key == r.key && (r.key == "first" || r.kind == rule.kind)) {
            number = ParseInt(value, r.low, r.high);
            if (!number || (key == "delta" && *number == 0)) {
                return bad();
            }
            rule.*(r.field) = *number;
            return {};
        }
    }
    return "unknown key '" + std::string(key) + "'";
}

std::string ParseRule(std::string_view text, FaultPlan::Rule& rule) {
    const auto fields = SplitOn(text, ':');
    const auto kind = KindNames().find(fields[0]);
    if (kind == KindNames().end()) {
        return "unknown fault '" + std::string(fields[0]) + "'";
    }
    rule.kind = kind->second;
    rule.value = DefaultValue(rule.kind);
    rule.gapMs = rule.kind == Kind::Split ? 20 : 0;
    bool sawFirst = false;
    bool sawP = false;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        const std::size_t eq = fields[i].find('=');
        if (eq == std::string_view::npos) {
            return "expected key=value, got '" + std::string(fields[i]) + "'";
        }
        const std::string_view key = fields[i].substr(0, eq);
        sawFirst = sawFirst || key == "first";
        sawP = sawP || key == "p";
        if (auto error = ApplyKey(rule, key, fields[i].substr(eq + 1)); !error.empty()) {
            return error;
        }
    }
    return sawFirst && sawP ? "first and p exclude each other" : "";
}

}  // namespace

std::optional<FaultPlan> FaultPlan::Parse(std::string_view faults, std::uint32_t seed,
                                          std::string* error) {
    FaultPlan plan;
    plan.random_.seed(seed);
    if (faults.empty()) {
        return plan;
    }
    for (const std::string_view text : SplitOn(faults, ',')) {
        Rule rule;
        std::string problem = ParseRule(text, rule);
        if (!problem.empty()) {
            if (error) {
                *error = "fault '" + std::string(text) + "': " + problem;
            }
            return std::nullopt;
        }
        plan.rules_.push_back(rule);
    }
    return plan;
}

bool FaultPlan::Strikes(Rule& rule) {
    if (rule.first > 0) {
        return ++rule.seen <= rule.first;
    }
    ++rule.seen;
    if (rule.probability >= 1) {
        return true;
    }
    // A 32-bit draw scaled by hand, so the same seed gives the same run on any library.
    return static_cast<double>(random_()) / 4294967296.0 < rule.probability;
}

FaultEffects FaultPlan::Decide(std::string_view code) {
    FaultEffects e;
    for (Rule& rule : rules_) {
        if ((!rule.code.empty() && rule.code != code) || !Strikes(rule)) {
            continue;
        }
        switch (rule.kind) {
            case Kind::Drop:
                e.drop = true;
                break;
            case Kind::Corrupt:
                e.corrupt = true;
                break;
            case Kind::Length:
                e.lengthDelta = rule.value;
                break;
            case Kind::Delay:
                e.delayMs += rule.value;
                break;
            case Kind::Split:
                e.pieces = rule.value, e.gapMs = rule.gapMs;
                break;
            case Kind::Noise:
                e.noiseBytes = rule.value;
                break;
            case Kind::Twice:
                e.twice = true;
                break;
            case Kind::Lower:
                (rule.body ? e.lowerBody : e.lowerChecksum) = true;
                break;
            case Kind::Close:
                e.close = true;
                break;
        }
        for (const auto& [name, kind] : KindNames()) {
            if (kind == rule.kind) {
                e.names.emplace_back(name);
            }
        }
    }
    return e;
}

const char* FaultPlan::Grammar() {
    return "  FAULTS is one or more faults separated by commas; each fault is a name followed by\n"
           "  optional :key=value pairs.\n"
           "    drop                  send no reply\n"
           "    corrupt               wrong checksum (first digit changed)\n"
           "    length[:delta=+1|-1]  one body byte more or less, still correctly checked\n"
           "    delay[:ms=500]        hold the reply back\n"
           "    split[:pieces=3][:gap=20]  send the reply in pieces with gaps in ms\n"
           "    noise[:n=5]           send n bytes of line noise (never 0x03) first\n"
           "    twice                 send the reply twice in one write\n"
           "    lower[:part=checksum|body]  lower-case checksum digits (a checksum without\n"
           "                          letters stays valid), or lower-case the body's data\n"
           "                          after its first six characters, correctly checked\n"
           "    close                 no reply; TCP: close the connection; pty: hang up\n"
           "                          (the pty is closed and a fresh one opened under a new\n"
           "                          path; give --pty LINK for a path that follows it)\n"
           "  Keys for every fault:\n"
           "    code=XX   only requests of this command code (the two characters after the\n"
           "              device ID; AC for the identify request)\n"
           "    first=N   only the first N matching requests\n"
           "    p=F       with probability F (0 to 1), drawn from --seed\n"
           "  Faults that strike the same request combine (noise, then the reply split).\n"
           "  Example: drop:code=Zp:first=2,corrupt:p=0.05,delay:ms=400:code=PI\n";
}

}  // namespace sim
