#include "ocilib.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>
#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <vector>

namespace oci {

namespace {

bool isFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string directoryOf(const std::string &file)
{
    auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

bool contains(const std::string &s, const std::string &what) { return s.find(what) != std::string::npos; }

} // namespace

std::string libraryIn(const std::string &directory)
{
    if (directory.empty()) return {};
    std::string plain = directory + "/libclntsh.so";
    if (isFile(plain)) return plain;
    // Instant Client before 18 ships only the versioned name.
    std::vector<std::string> versioned;
    if (DIR *d = ::opendir(directory.c_str())) {
        while (dirent *e = ::readdir(d)) {
            std::string name = e->d_name;
            if (name.rfind("libclntsh.so.", 0) == 0 && isFile(directory + "/" + name)) versioned.push_back(name);
        }
        ::closedir(d);
    }
    if (versioned.empty()) return {};
    auto release = [](const std::string &n) { return std::atof(n.c_str() + 13); };
    std::sort(versioned.begin(), versioned.end(),
              [&](const std::string &a, const std::string &b) { return release(a) < release(b); });
    return directory + "/" + versioned.back();
}

std::string explainLoadFailure(const std::string &file, const std::string &text)
{
    const std::string dir = directoryOf(file);
    if (contains(text, "wrong ELF class") || contains(text, "ELFCLASS"))
        return "The Oracle client library in " + dir +
               " is built for another architecture. Install the Instant Client for this machine (Linux x86-64, 64-bit).";
    if (contains(text, "libaio"))
        return "The Oracle client library in " + dir +
               " needs libaio, which is not installed. Install the package libaio1 (Debian, Ubuntu; libaio1t64 on newer releases) or libaio (Red Hat, SUSE).";
    if (contains(text, "invalid ELF header") || contains(text, "file too short") || contains(text, "not an ELF") ||
        contains(text, "only ET_DYN"))
        return file + " is not a shared library (damaged or incomplete copy). Reinstall the Oracle Instant Client in " + dir + ".";
    if (contains(text, "No such file") && contains(text, file))
        return "No Oracle client library in " + dir +
               ": libclntsh.so was not found. Install Oracle Instant Client (Basic or Basic Light) there, or choose the directory that holds it.";
    if (contains(text, "cannot open shared object file")) {
        auto colon = text.find(':');
        std::string missing = colon == std::string::npos ? text : text.substr(0, colon);
        return "The Oracle client library in " + dir + " needs " + missing +
               ", which was not found. Install the complete Instant Client (Basic or Basic Light) in that directory.";
    }
    if (contains(text, "undefined symbol") || contains(text, "lacks"))
        return "The Oracle client library in " + dir + " is too old for SQL*Vigil (" + text +
               "). Install Instant Client 10.2 or later.";
    return "The Oracle client library in " + dir + " could not be loaded: " + text;
}

std::string noClientMessage(const std::string &searched)
{
    return "Oracle client library not available: no libclntsh.so was found (looked in " + searched +
           "). Install Oracle Instant Client (Basic or Basic Light, with libaio1) and choose its directory as the server's client library.";
}

std::string versionHint(int code)
{
    switch (code) {
    case 3134:   // connections to this server version are no longer supported
    case 24960:
        return " This client is too new for that server: choose an older client for it (an 11.2 client reaches 9.2.0.4 and newer, a 10.2 client reaches 8.1.7 and newer).";
    case 28040:  // no matching authentication protocol
        return " The client and the server have no logon protocol in common: a client older than the server's minimum (a 19c or later client reaches 11.2 and newer), or a server that only accepts newer clients.";
    case 12557:  // protocol adapter not loadable
    case 12560:
        return " The client cannot reach the server this way; check the connect text and that the client is complete.";
    default: return {};
    }
}

std::unique_ptr<OciLibrary> OciLibrary::load(const std::string &file, std::string &error)
{
    if (!isFile(file)) {
        error = explainLoadFailure(file, file + ": No such file");
        return nullptr;
    }
    void *h = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char *text = ::dlerror();
        error = explainLoadFailure(file, text ? text : "unknown loader error");
        return nullptr;
    }
    std::unique_ptr<OciLibrary> lib(new OciLibrary);
    lib->m_handle = h;
    lib->m_file = file;
    std::string missing;
    auto need = [&](auto &slot, const char *name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(::dlsym(h, name));
        if (!slot && missing.empty()) missing = name;
    };
    auto optional = [&](auto &slot, const char *name) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(::dlsym(h, name));
    };
    OciCalls &c = lib->m_calls;
    need(c.EnvNlsCreate, "OCIEnvNlsCreate");
    need(c.HandleAlloc, "OCIHandleAlloc");
    need(c.HandleFree, "OCIHandleFree");
    need(c.DescriptorAlloc, "OCIDescriptorAlloc");
    need(c.DescriptorFree, "OCIDescriptorFree");
    need(c.AttrSet, "OCIAttrSet");
    need(c.AttrGet, "OCIAttrGet");
    need(c.ServerAttach, "OCIServerAttach");
    need(c.ServerDetach, "OCIServerDetach");
    need(c.SessionBegin, "OCISessionBegin");
    need(c.SessionEnd, "OCISessionEnd");
    need(c.StmtPrepare2, "OCIStmtPrepare2");
    need(c.StmtRelease, "OCIStmtRelease");
    need(c.StmtExecute, "OCIStmtExecute");
    need(c.StmtFetch2, "OCIStmtFetch2");
    need(c.ParamGet, "OCIParamGet");
    need(c.DefineByPos, "OCIDefineByPos");
    need(c.BindByName, "OCIBindByName");
    need(c.ErrorGet, "OCIErrorGet");
    need(c.Break, "OCIBreak");
    need(c.TransCommit, "OCITransCommit");
    need(c.DateTimeGetDate, "OCIDateTimeGetDate");
    need(c.DateTimeGetTime, "OCIDateTimeGetTime");
    optional(c.Reset, "OCIReset");
    optional(c.Ping, "OCIPing");
    optional(c.ClientVersion, "OCIClientVersion");
    if (!missing.empty()) {
        error = explainLoadFailure(file, "it lacks " + missing);
        return nullptr;
    }
    return lib;
}

OciLibrary::~OciLibrary()
{
    // The library stays mapped: its own threads and exit handlers may still run.
}

std::string OciLibrary::version() const
{
    if (!m_calls.ClientVersion) return {};
    sword major = 0, minor = 0, update = 0, patch = 0, port = 0;
    m_calls.ClientVersion(&major, &minor, &update, &patch, &port);
    return std::to_string(major) + "." + std::to_string(minor);
}

} // namespace oci
