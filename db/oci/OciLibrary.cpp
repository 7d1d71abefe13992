#include "OciLibrary.h"

#include "db/Error.h"
#include "db/Trace.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#if defined(__linux__)
#include <link.h>
#endif
#endif

namespace db {

namespace {

#if defined(_WIN32)
const std::vector<std::string> kNames = {"oci.dll"};
#else
#if defined(__APPLE__)
const std::string kBase = "libclntsh.dylib";
#else
const std::string kBase = "libclntsh.so";
#endif
// The unversioned name first (what Instant Client's symlink provides), then the versions in the order
// other OCI programs try them.
const std::vector<std::string> kNames = {kBase,          kBase + ".19.1", kBase + ".18.1", kBase + ".12.1",
                                         kBase + ".11.1", kBase + ".20.1", kBase + ".21.1", kBase + ".23.1"};
#endif

std::string joined(const std::vector<std::string> &items, const std::string &separator)
{
    std::string out;
    for (const auto &item : items) {
        if (!out.empty())
            out += separator;
        out += item;
    }
    return out;
}

#if defined(_WIN32)
std::string lastSystemError()
{
    const DWORD code = GetLastError();
    char *text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = text ? text : "error " + std::to_string(code);
    if (text)
        LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    if (code == ERROR_BAD_EXE_FORMAT)
        message += " (the library is not built for this program's 32/64-bit architecture)";
    return message;
}
#endif

void *openLibrary(const std::string &name, std::string &error)
{
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(name.c_str());
    if (!module)
        error = lastSystemError();
    return reinterpret_cast<void *>(module);
#else
    void *handle = dlopen(name.c_str(), RTLD_LAZY);
    if (!handle) {
        const char *text = dlerror();
        error = text ? text : "unknown error";
    }
    return handle;
#endif
}

void closeLibrary(void *handle)
{
#if defined(_WIN32)
    FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
    dlclose(handle);
#endif
}

void *findSymbol(void *handle, const char *name)
{
#if defined(_WIN32)
    return reinterpret_cast<void *>(GetProcAddress(reinterpret_cast<HMODULE>(handle), name));
#else
    return dlsym(handle, name);
#endif
}

// Where the library actually came from, so a message about a missing function names the file.
std::string loadedPath(void *handle, const std::string &fallback)
{
#if defined(_WIN32)
    char buffer[MAX_PATH];
    DWORD length = GetModuleFileNameA(reinterpret_cast<HMODULE>(handle), buffer, MAX_PATH);
    return length ? std::string(buffer, length) : fallback;
#elif defined(__linux__)
    link_map *map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && *map->l_name)
        return map->l_name;
    return fallback;
#else
    (void)handle;
    return fallback;
#endif
}

std::string executableFolder()
{
#if defined(__linux__)
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
#else
    return {};
#endif
}

std::mutex g_loadMutex;
std::unique_ptr<OciLibrary> g_library;

} // namespace

const OciLibrary &OciLibrary::instance()
{
    std::lock_guard lock(g_loadMutex);
    if (!g_library) {
        std::unique_ptr<OciLibrary> library(new OciLibrary);
        library->load();
        g_library = std::move(library);
    }
    return *g_library;
}

void OciLibrary::load()
{
    // Folders are tried before the plain search only when the library is really there, so the reason
    // reported is the one from the search path or from a file that exists but would not load.
    std::vector<std::string> folders;
    std::vector<std::string> tried;
#if !defined(_WIN32)
    if (auto exeDir = executableFolder(); !exeDir.empty())
        folders.push_back(exeDir);
#endif
    std::string firstError;
    auto attempt = [&](const std::string &candidate) -> bool {
        std::string error;
        void *handle = openLibrary(candidate, error);
        if (!handle) {
            if (firstError.empty())
                firstError = error;
            return false;
        }
        m_handle = handle;
        m_path = loadedPath(handle, candidate);
        return true;
    };
    auto tryFolder = [&](const std::string &folder) -> bool {
        for (const auto &name : kNames) {
            auto full = std::filesystem::path(folder) / name;
            std::error_code ec;
            if (std::filesystem::exists(full, ec) && attempt(full.string()))
                return true;
        }
        return false;
    };

    bool found = false;
    for (const auto &folder : folders) {
        tried.push_back("in " + folder);
        if ((found = tryFolder(folder)))
            break;
    }
    if (!found) {
        tried.push_back("on the library search path");
        for (const auto &name : kNames)
            if ((found = attempt(name)))
                break;
    }
#if !defined(_WIN32)
    if (!found) {
        if (const char *home = std::getenv("ORACLE_HOME"); home && *home) {
            const std::string folder = (std::filesystem::path(home) / "lib").string();
            tried.push_back("in " + folder);
            found = tryFolder(folder);
        }
    }
#endif
    if (!found)
        throw ClientLibraryError("Cannot load the Oracle client library (" + std::to_string(sizeof(void *) * 8) +
                                 "-bit). Tried: " + joined(kNames, ", ") + " " + joined(tried, ", then ") +
                                 ". System error: " + (firstError.empty() ? "not found" : firstError) +
                                 ". Install Oracle Instant Client (19 or later recommended) and add its folder to "
                                 "PATH / LD_LIBRARY_PATH / DYLD_LIBRARY_PATH, or set ORACLE_HOME to a folder "
                                 "whose lib holds it.");
    try {
        resolveAll();
    } catch (...) {
        closeLibrary(m_handle);
        m_handle = nullptr;
        throw;
    }
    if (Trace::enabled()) {
        std::string version = "unknown";
        if (clientVersion) {
            int major = 0, minor = 0, update = 0, patch = 0, port = 0;
            clientVersion(&major, &minor, &update, &patch, &port);
            version = std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(update) + "." +
                      std::to_string(patch) + "." + std::to_string(port);
        }
        Trace::write("oci", "loaded " + m_path + ", client version " + version);
    }
}

void OciLibrary::resolveAll()
{
    auto required = [&](auto &target, const char *name) {
        void *symbol = findSymbol(m_handle, name);
        if (!symbol)
            throw ClientLibraryError("Oracle client library " + m_path + " lacks " + name +
                                     "; install a newer client.");
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(symbol);
    };
    auto optional = [&](auto &target, const char *name) {
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(findSymbol(m_handle, name));
    };
    required(envNlsCreate, "OCIEnvNlsCreate");
    required(handleAlloc, "OCIHandleAlloc");
    required(handleFree, "OCIHandleFree");
    required(descriptorAlloc, "OCIDescriptorAlloc");
    required(descriptorFree, "OCIDescriptorFree");
    required(errorGet, "OCIErrorGet");
    required(logon2, "OCILogon2");
    required(logoff, "OCILogoff");
    required(stmtPrepare2, "OCIStmtPrepare2");
    required(stmtRelease, "OCIStmtRelease");
    required(stmtExecute, "OCIStmtExecute");
    required(stmtFetch2, "OCIStmtFetch2");
    required(paramGet, "OCIParamGet");
    required(attrGet, "OCIAttrGet");
    required(attrSet, "OCIAttrSet");
    required(defineByPos, "OCIDefineByPos");
    required(bindByPos, "OCIBindByPos");
    required(lobWrite2, "OCILobWrite2");
    required(lobRead2, "OCILobRead2");
    required(lobGetLength2, "OCILobGetLength2");
    required(lobCreateTemporary, "OCILobCreateTemporary");
    required(lobFreeTemporary, "OCILobFreeTemporary");
    required(transCommit, "OCITransCommit");
    required(transRollback, "OCITransRollback");
    required(breakCall, "OCIBreak");
    required(reset, "OCIReset");
    optional(ping, "OCIPing");
    optional(serverVersion, "OCIServerVersion");
    optional(clientVersion, "OCIClientVersion");
    optional(bindByPos2, "OCIBindByPos2");
    optional(bindArrayOfStruct, "OCIBindArrayOfStruct");
}

} // namespace db
