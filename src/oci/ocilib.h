#pragma once
// One Oracle client library loaded at run time: its calls resolved into a table, or a
// one- or two-sentence account of why it cannot be used and what to install.
#include "ocidefs.h"

#include <memory>
#include <string>

namespace oci {

struct OciCalls {
    OCIEnvNlsCreate_t EnvNlsCreate = nullptr;
    OCIHandleAlloc_t HandleAlloc = nullptr;
    OCIHandleFree_t HandleFree = nullptr;
    OCIDescriptorAlloc_t DescriptorAlloc = nullptr;
    OCIDescriptorFree_t DescriptorFree = nullptr;
    OCIAttrSet_t AttrSet = nullptr;
    OCIAttrGet_t AttrGet = nullptr;
    OCIServerAttach_t ServerAttach = nullptr;
    OCIServerDetach_t ServerDetach = nullptr;
    OCISessionBegin_t SessionBegin = nullptr;
    OCISessionEnd_t SessionEnd = nullptr;
    OCIStmtPrepare2_t StmtPrepare2 = nullptr;
    OCIStmtRelease_t StmtRelease = nullptr;
    OCIStmtExecute_t StmtExecute = nullptr;
    OCIStmtFetch2_t StmtFetch2 = nullptr;
    OCIParamGet_t ParamGet = nullptr;
    OCIDefineByPos_t DefineByPos = nullptr;
    OCIBindByName_t BindByName = nullptr;
    OCIErrorGet_t ErrorGet = nullptr;
    OCIBreak_t Break = nullptr;
    OCIReset_t Reset = nullptr;               // optional
    OCIPing_t Ping = nullptr;                 // optional (10.2 and later)
    OCITransCommit_t TransCommit = nullptr;
    OCIDateTimeGetDate_t DateTimeGetDate = nullptr;
    OCIDateTimeGetTime_t DateTimeGetTime = nullptr;
    OCIClientVersion_t ClientVersion = nullptr;   // optional
};

class OciLibrary {
public:
    // Loads the library file (a libclntsh.so); nullptr with `error` set when it cannot
    // be used.
    static std::unique_ptr<OciLibrary> load(const std::string &file, std::string &error);
    ~OciLibrary();
    const OciCalls &calls() const { return m_calls; }
    const std::string &file() const { return m_file; }
    // "19.3" when the library tells its release, otherwise empty.
    std::string version() const;

private:
    OciLibrary() = default;
    void *m_handle = nullptr;
    std::string m_file;
    OciCalls m_calls;
};

// The client library file in `directory`: libclntsh.so, or the newest libclntsh.so.N;
// empty when there is none.
std::string libraryIn(const std::string &directory);
// The message for a library that did not load, from the loader's own text.
std::string explainLoadFailure(const std::string &file, const std::string &loaderText);
// The message when no directory holds a client library.
std::string noClientMessage(const std::string &searched);
// What to add to a server's refusal that points at the client's release
// (ORA-03134, ORA-28040 and their kin); empty for other errors.
std::string versionHint(int oraCode);

} // namespace oci
