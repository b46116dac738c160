#include "app/FileArgument.h"

#include <filesystem>

namespace glyphon {

std::optional<std::string> FileArgument(const std::vector<std::string>& args) {
    if (args.size() != 2 || args[1].empty()) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(args[1], ec)) return std::nullopt;
    // Absolute, so that a batch line written later names the file from
    // wherever the batch runs.
    const auto path = std::filesystem::absolute(args[1], ec);
    if (ec) return std::nullopt;
    return path.lexically_normal().string();
}

}  // namespace glyphon
