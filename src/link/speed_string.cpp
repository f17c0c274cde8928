#include "speed_string.h"

#include <array>
#include <charconv>

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<LineSettings::Parity> ParityOf(std::string_view text) {
    using P = LineSettings::Parity;
    if (text.size() != 1) {
        return std::nullopt;
    }
    switch (text.front() | 0x20) {
        case 'n':
            return P::None;
        case 'e':
            return P::Even;
        case 'o':
            return P::Odd;
        case 'm':
            return P::Mark;
        case 's':
            return P::Space;
        default:
            return std::nullopt;
    }
}

std::optional<LineSettings::StopBits> StopBitsOf(std::string_view text) {
    using S = LineSettings::StopBits;
    if (text == "1") {
        return S::One;
    }
    if (text == "1.5") {
        return S::OneAndHalf;
    }
    if (text == "2") {
        return S::Two;
    }
    return std::nullopt;
}

// Splits into exactly four comma-separated fields.
std::optional<std::array<std::string_view, 4>> Fields(std::string_view text) {
    std::array<std::string_view, 4> fields;
    for (std::size_t n = 0; n < fields.size(); ++n) {
        const auto comma = text.find(',');
        const bool last = n + 1 == fields.size();
        if (last != (comma == std::string_view::npos)) {
            return std::nullopt;
        }
        fields[n] = Trimmed(text.substr(0, comma));
        text.remove_prefix(last ? text.size() : comma + 1);
    }
    return fields;
}

}  // namespace

int LineSettings::CharacterBits() const {
    const int parityBits = parity == Parity::None ? 0 : 1;
    return 1 + dataBits + parityBits + (stopBits == StopBits::One ? 1 : 2);
}

std::chrono::microseconds LineSettings::TransferTime(std::size_t bytes) const {
    const long long bits = static_cast<long long>(bytes) * CharacterBits();
    return std::chrono::microseconds{bits * 1'000'000 / (speed > 0 ? speed : 1)};
}

std::optional<LineSettings> ParseSpeedString(std::string_view text) {
    const auto fields = Fields(text);
    if (!fields) {
        return std::nullopt;
    }
    const auto speed = WholeNumber((*fields)[0]);
    const auto parity = ParityOf((*fields)[1]);
    const auto dataBits = WholeNumber((*fields)[2]);
    const auto stopBits = StopBitsOf((*fields)[3]);
    if (!speed || *speed <= 0 || !parity || !dataBits || *dataBits < 5 || *dataBits > 8 ||
        !stopBits) {
        return std::nullopt;
    }
    return LineSettings{*speed, *parity, *dataBits, *stopBits};
}
