#pragma once

#include <QString>

#include <cstdio>
#include <mutex>
#include <string_view>

namespace sim {

// One line per event, shared by the endpoints; silent without a file. "-" writes to stderr.
class SimLog {
public:
    SimLog() = default;
    ~SimLog();
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    bool Open(const QString& path, QString* error);
    void Write(std::string_view where, std::string_view what);

    // Control bytes as <0D>, so a line stays one line.
    static std::string Escaped(std::string_view bytes);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
    bool ownsFile_ = false;
};

}  // namespace sim
