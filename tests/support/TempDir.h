#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace qvtest {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        // Not temp_directory_path(): it follows TMP, which tests point into their own folders.
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvtestXXXXXX";
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Writes a file below the folder and returns its full path.
    std::string Write(const std::string& name, const std::string& text) const {
        const std::string full = path_ + "/" + name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << text;
        return full;
    }

    // Writes a 24-bit BMP of 0xRRGGBB pixels, row by row from the top.
    std::string WriteBmp(const std::string& name, int width, int height,
                         const std::vector<uint32_t>& rgb) const {
        const int stride = (width * 3 + 3) / 4 * 4;
        const uint32_t size = 54 + static_cast<uint32_t>(stride * height);
        std::string b(54, '\0');
        auto put = [&](std::size_t at, uint32_t v, int bytes) {
            for (int i = 0; i < bytes; ++i)
                b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        };
        b[0] = 'B', b[1] = 'M';
        put(2, size, 4), put(10, 54, 4), put(14, 40, 4);
        put(18, static_cast<uint32_t>(width), 4), put(22, static_cast<uint32_t>(height), 4);
        put(26, 1, 2), put(28, 24, 2);
        for (int y = height - 1; y >= 0; --y) {
            std::string row(stride, '\0');
            for (int x = 0; x < width; ++x) {
                const uint32_t px = rgb[y * width + x];
                row[x * 3] = static_cast<char>(px & 0xFF);
                row[x * 3 + 1] = static_cast<char>((px >> 8) & 0xFF);
                row[x * 3 + 2] = static_cast<char>((px >> 16) & 0xFF);
            }
            b += row;
        }
        return Write(name, b);
    }

private:
    std::string path_;
};

// Sets an environment variable for the scope and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};

} // namespace qvtest
