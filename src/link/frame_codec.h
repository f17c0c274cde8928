#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Byte layout of the controller protocol. Pure computation, no Qt, so the simulator and the fuzz
// targets share it with the tool.
namespace frame {

inline constexpr std::uint8_t kRequestStart = 0x01;
inline constexpr std::uint8_t kRequestEnd = 0x02;
inline constexpr std::uint8_t kReplyStart = 0x03;
inline constexpr std::uint8_t kReplyBodyEnd = 0x04;
inline constexpr std::uint8_t kFrameEnd = 0x0D;

// The frame and reply buffers of the link hold 1500 bytes; a request adds seven to its command.
inline constexpr std::size_t kBufferSize = 1500;
inline constexpr std::size_t kMaxCommandLength = kBufferSize - 7;

}  // namespace frame

// Request frame: 0x01, command, 0x02, CRC of those as four hex digits, 0x0D (n + 7 bytes).
std::string BuildRequestFrame(std::string_view command);

std::uint16_t ComputeCrc16(const std::uint8_t* bytes, std::size_t count);
inline std::uint16_t ComputeCrc16(std::string_view bytes) {
    return ComputeCrc16(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Two upper-case hex digits, high nibble first.
std::string ByteToHex(std::uint8_t value);
// A CRC as it is written in a frame: four upper-case hex digits, high byte first.
std::string CrcDigits(std::uint16_t crc);

// Serial reply check: CRC-16 over 0x03 .. first 0x04, then four upper-case digits.
bool CheckReplyCrc(const std::uint8_t* reply, std::size_t count);
// Network reply check: XOR of all bytes but the last three, as two upper-case digits.
bool CheckReplyXor(const std::uint8_t* reply, std::size_t count);

inline bool CheckReplyCrc(std::string_view reply) {
    return CheckReplyCrc(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
}
inline bool CheckReplyXor(std::string_view reply) {
    return CheckReplyXor(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size());
}

// The controller's side of the same layout, for the simulator and the tests: wrap a reply body.
std::string BuildSerialReply(std::string_view body);
std::string BuildNetworkReply(std::string_view body);
