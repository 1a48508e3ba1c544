#pragma once
// A fresh folder under /tmp for one test, removed with everything in it afterwards.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace testing_support {

// Writes bytes as the whole file, making its folders first.
inline std::filesystem::path writeFile(const std::filesystem::path& file,
                                       const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

// The whole file; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "marquel-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        root = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(root, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    // The folder as a search-path text, with the trailing slash the file system expects.
    std::string prefix() const { return root.string() + "/"; }

    std::filesystem::path write(const std::string& name, const std::string& bytes) const {
        return writeFile(root / name, bytes);
    }

    std::string read(const std::string& name) const { return readFile(root / name); }

    bool exists(const std::string& name) const { return std::filesystem::exists(root / name); }

private:
    std::filesystem::path root;
};

} // namespace testing_support
