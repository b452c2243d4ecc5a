#include "demo.h"

#include "esquema.h"
#include "localdb.h"
#include "sqlcvpg.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <QCoreApplication>

namespace fs = std::filesystem;

namespace shell {

std::string defaultDemoDirectory()
{
    return defaultRepositoryDirectory() + "demo/";
}

static void copyReports(const fs::path &dir)
{
    // The source tree's reports when run from a build, else the installed ones
    // beside the program (bin/../share/sqlvigil/reports).
    const std::string installed = QCoreApplication::applicationDirPath().toStdString() + "/../share/sqlvigil/reports";
    for (const std::string &source : {std::string(SQLVIGIL_SOURCE_REPORTS), installed}) {
        std::error_code ec;
        if (!fs::is_directory(source, ec))
            continue;
        for (const auto &entry : fs::directory_iterator(source, ec)) {
            const fs::path target = dir / entry.path().filename();
            if (entry.is_regular_file() && !fs::exists(target))
                fs::copy_file(entry.path(), target, ec);
        }
        return;
    }
}

std::string prepareDemo(const std::string &dirText)
{
    std::string d = dirText.empty() ? defaultDemoDirectory() : dirText;
    if (d.back() != '/')
        d += '/';
    const fs::path dir = fs::absolute(d);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir))
        throw std::runtime_error("The demo directory " + dir.string() + " cannot be created.");
    std::string dirSlash = dir.string();
    if (dirSlash.back() != '/')
        dirSlash += '/';
    const std::string ini = dirSlash + "SQLVigil.ini";
    if (!fs::exists(ini)) {
        std::ofstream out(ini);
        out << "; SQL*Vigil settings (demo)\n[DIRECTORIOS]\nBDLOCAL=" << dirSlash << "\n";
        if (!out)
            throw std::runtime_error("The settings file " + ini + " cannot be written.");
    }
    const std::string repo = dirSlash + "SQLVigil.MDB";
    if (!fs::exists(repo)) {
        try {
            localdb::Database::CreateDatabase(repo, ";LANGID=0x040A;CP=1252;COUNTRY=0", 1);
            auto db = localdb::Database::OpenDatabase(repo);
            for (const auto &t : repository::tablas())
                db->TableDefsAppend(t);
            for (const auto &q : repository::consultas())
                db->CreateQueryDef(q.nombre, q.texto);
            auto rs = db->OpenRecordset("SERVIDORES", 1);
            rs->AddNew();
            rs->SetField("SERVIDOR", "DEMO");
            rs->SetField("RDBMS", "ORACLE 8");
            rs->SetField("VERSION", "8i");
            rs->SetField("INSTANCIA", "ORCL");
            rs->SetField("CONECCION", "sim:ORCL");
            rs->SetField("FORMATO", "TNS");
            rs->SetField("LOGIN", "SYSTEM");
            rs->SetField("PASSWORD", Cifrar(kCipherKey, "MANAGER"));
            rs->SetField("LOGIN_TIME_OUT", 30);
            rs->SetField("QUERY_TIME_OUT", 60);
            rs->SetField("EMPRESA", "SQL*Vigil demonstration");
            rs->SetField("CONTRAPARTE", "DBA");
            rs->SetField("COMENTARIO", "The simulated Oracle instance ORCL that comes with the program.");
            rs->SetField("ESTADO", "SQL*Vigil");
            rs->Update();
            rs->Close();
        } catch (const std::exception &e) {
            throw std::runtime_error("The demo repository " + repo + " cannot be prepared: " + e.what());
        }
    }
    copyReports(dir);
    return ini;
}

} // namespace shell
