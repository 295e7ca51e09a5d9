// Apart from the option parser: std::filesystem weighs a megabyte in a static Windows program
// that never asks for a folder.
#include "app/command_line.h"

#include <filesystem>
#include <system_error>

namespace sorvane::app {

std::string folderProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) return "no such folder";
    if (ec) return "cannot read it (" + ec.message() + ")";
    if (status.type() != fs::file_type::directory) return "not a folder";
    fs::directory_iterator listing(path, ec);
    if (ec) return "cannot read it (" + ec.message() + ")";
    return {};
}

} // namespace sorvane::app
