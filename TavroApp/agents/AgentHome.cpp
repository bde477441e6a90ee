#include "agents/AgentHome.h"

#include "model/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tavro {

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path userHome() {
    if (std::string home = environment("HOME"); !home.empty())
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

} // namespace

fs::path AgentHome::serverBeside(const fs::path& program) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(program, error);
    if (error)
        resolved = program;
    return resolved.parent_path() / "tavro-mcp";
}

AgentHome AgentHome::current() {
    AgentHome where;
    where.home = userHome();
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base-directory rules say.
    const fs::path config = environment("XDG_CONFIG_HOME");
    where.configHome = config.is_absolute() ? config : where.home / ".config";
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    where.server = serverBeside(error ? fs::path("/usr/bin/tavro") : self);
    where.searchPath = environment("PATH");
    const fs::path library = TavroPaths::libraryRoot();
    if (library != where.home / ".local/share/Tavro")
        where.library = library;
    return where;
}

} // namespace tavro
