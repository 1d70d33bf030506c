// A temporary directory on the host for tests of the tools, removed with
// everything in it when the test ends.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

class Scratch {
public:
    Scratch() {
        char pattern[] = "/tmp/tool-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        dir_ = made ? made : "";
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    const std::string& Dir() const { return dir_; }
    // Writes a file below the directory, making its parents; returns its path.
    std::string Write(const std::string& name, const std::string& text) const {
        std::filesystem::path path = std::filesystem::path(dir_) / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        return Write(name, std::string(bytes.begin(), bytes.end()));
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(std::filesystem::path(dir_) / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::vector<std::uint8_t> ReadBytes(const std::string& name) const {
        const std::string text = Read(name);
        return std::vector<std::uint8_t>(text.begin(), text.end());
    }
    bool Exists(const std::string& name) const {
        return std::filesystem::exists(std::filesystem::path(dir_) / name);
    }

private:
    std::string dir_;
};
