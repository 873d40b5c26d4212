#pragma once
// A full file path split into drive, directory, name and extension. On this
// platform the drive is always empty and the separator is "/"; the directory
// keeps its trailing "/" and the extension its leading ".".
#include <string>
#include <string_view>

namespace orvanta {

class WFilePath {
public:
    WFilePath() = default;
    WFilePath(std::string path) { set(std::move(path)); }  // NOLINT: implicit, so that a path string is a WFilePath

    void set(std::string path);
    // Joins the four parts; a directory without a trailing "/" gets one.
    void set(const std::string& drive, const std::string& directory, const std::string& name,
             const std::string& extension);

    const std::string& path() const { return path_; }
    std::string drive() const { return {}; }
    std::string directory() const;  // "/photos/2003/" (empty for a bare name)
    std::string name() const;       // "beach" (file name without extension)
    std::string extension() const;  // ".jpg" (empty when there is none)
    std::string fileName() const;   // "beach.jpg"
    bool empty() const { return path_.empty(); }

    bool operator==(const WFilePath& other) const = default;

private:
    std::size_t nameStart() const;
    std::size_t extensionStart() const;
    std::string path_;
};

// The extension of the file name at the end of `path`, with its dot: from
// the last dot of the name on; "" when the name has no dot or only starts
// with one (".hidden"). The same rule as WFilePath::extension.
std::string_view extensionOf(std::string_view path);
// extensionOf with A-Z in lower case: the form in which the program compares
// extensions (".JPG" and ".Jpg" are ".jpg").
std::string lowerExtension(std::string_view path);

// `dir` ending in "/": one is appended when missing ("" becomes "/").
std::string withTrailingSlash(std::string dir);

}  // namespace orvanta
