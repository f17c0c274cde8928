#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

// Line settings as written in a speed string such as "19200,e,8,1".
struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int speed = 0;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    // Bits on the wire per character: start, data, parity and stop bits (1.5 counted as 2).
    int CharacterBits() const;
    // Time the line needs to carry `bytes` characters.
    std::chrono::microseconds TransferTime(std::size_t bytes) const;
};

// Speed, parity letter (n, e, o, m, s in either case), data bits (5 to 8) and stop bits (1, 1.5,
// 2), separated by commas; blanks around a field are allowed. Anything else is not a speed string.
std::optional<LineSettings> ParseSpeedString(std::string_view text);
