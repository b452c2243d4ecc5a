// Schema definitions as the dictionary shows them: constraints, ALTER TABLE effects,
// sequences, comments and stored PL/SQL; and a sample human resources schema installed
// statement by statement.
#include "fixture.h"

#include <fstream>
#include <sstream>

using namespace dicttest;

namespace {

// The statements of an install script: SQL ends with ";" at a line end, stored PL/SQL
// (CREATE ... PROCEDURE, FUNCTION, PACKAGE, TRIGGER, TYPE) with a line holding only "/".
std::vector<std::string> scriptStatements(const std::string &path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    std::string line, current;
    bool plsql = false;
    auto upper = [](std::string s) {
        for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    while (std::getline(in, line)) {
        std::string trimmed = line;
        trimmed.erase(0, trimmed.find_first_not_of(" \t"));
        if (current.empty() && (trimmed.empty() || trimmed.rfind("--", 0) == 0)) continue;
        if (current.empty()) {
            std::string u = upper(trimmed);
            plsql = u.rfind("CREATE OR REPLACE PROCEDURE", 0) == 0 || u.rfind("CREATE OR REPLACE TRIGGER", 0) == 0 ||
                    u.rfind("CREATE OR REPLACE FUNCTION", 0) == 0 || u.rfind("CREATE OR REPLACE PACKAGE", 0) == 0 ||
                    u.rfind("CREATE PROCEDURE", 0) == 0 || u.rfind("CREATE TRIGGER", 0) == 0;
        }
        if (plsql && trimmed == "/") {
            out.push_back(current);
            current.clear();
            continue;
        }
        current += line + "\n";
        if (!plsql && !trimmed.empty() && trimmed.back() == ';') {
            current.erase(current.find_last_of(';'));
            out.push_back(current);
            current.clear();
        }
    }
    return out;
}

} // namespace

TEST_F(Orcl, ConstraintsAndAlterTableShowInTheDictionaryViews)
{
    x("create table scott.proyectos (id number(6) constraint proy_pk primary key, "
      "nombre varchar2(30) not null, presupuesto number check (presupuesto >= 0), "
      "deptno number(2) constraint proy_dept_fk references scott.proyectos on delete cascade)");
    Rows cons = q("select constraint_name, constraint_type, search_condition, r_constraint_name, delete_rule, status, "
                  "generated from dba_constraints where owner = 'SCOTT' and table_name = 'PROYECTOS' "
                  "order by constraint_type, constraint_name");
    ASSERT_EQ(cons.size(), 4u);
    EXPECT_EQ(cons[0][1], "C");
    EXPECT_EQ(cons[0][0].rfind("SYS_C", 0), 0u);
    EXPECT_EQ(cons[0][6], "GENERATED NAME");
    EXPECT_EQ(std::set<std::string>({cons[0][2], cons[1][2]}),
              (std::set<std::string>{"\"NOMBRE\" IS NOT NULL", "presupuesto >= 0"}));
    EXPECT_EQ(cons[2], (std::vector<std::string>{"PROY_PK", "P", "~", "~", "~", "ENABLED", "USER NAME"}));
    EXPECT_EQ(cons[3], (std::vector<std::string>{"PROY_DEPT_FK", "R", "~", "PROY_PK", "CASCADE", "ENABLED", "USER NAME"}));
    EXPECT_EQ(q("select column_name, position from dba_cons_columns where owner = 'SCOTT' and constraint_name = 'PROY_PK'"),
              (Rows{{"ID", "1"}}));
    EXPECT_EQ(q("select column_name, nullable from dba_tab_columns where owner = 'SCOTT' and table_name = 'PROYECTOS' "
                "order by column_id"),
              (Rows{{"ID", "N"}, {"NOMBRE", "N"}, {"PRESUPUESTO", "Y"}, {"DEPTNO", "Y"}}));

    // ALTER TABLE: added and dropped columns and constraints, disabled status, renames.
    x("alter table scott.proyectos add (inicio date, codigo varchar2(8) constraint proy_cod_uk unique)");
    x("alter table scott.proyectos disable constraint proy_cod_uk");
    x("alter table scott.proyectos drop column presupuesto");
    x("alter table scott.proyectos rename column nombre to titulo");
    EXPECT_EQ(q("select column_name from dba_tab_columns where owner = 'SCOTT' and table_name = 'PROYECTOS' "
                "order by column_id"),
              (Rows{{"ID"}, {"TITULO"}, {"DEPTNO"}, {"INICIO"}, {"CODIGO"}}));
    EXPECT_EQ(q("select constraint_name, status from dba_constraints where owner = 'SCOTT' and "
                "table_name = 'PROYECTOS' and constraint_type in ('P', 'U', 'R') order by 1"),
              (Rows{{"PROY_COD_UK", "DISABLED"}, {"PROY_DEPT_FK", "ENABLED"}, {"PROY_PK", "ENABLED"}}));
    EXPECT_EQ(one("select count(*) from dba_constraints where owner = 'SCOTT' and table_name = 'PROYECTOS' "
                  "and constraint_type = 'C'"), "1");
    EXPECT_EQ(one("select search_condition from dba_constraints where owner = 'SCOTT' and table_name = 'PROYECTOS' "
                  "and constraint_type = 'C'"), "\"TITULO\" IS NOT NULL");
    x("alter table scott.proyectos rename to planes");
    EXPECT_EQ(one("select count(*) from dba_constraints where owner = 'SCOTT' and table_name = 'PLANES'"), "4");
    EXPECT_EQ(one("select count(*) from dba_objects where owner = 'SCOTT' and object_name = 'PROYECTOS'"), "0");
    EXPECT_EQ(one("select count(*) from dba_tables where owner = 'SCOTT' and table_name = 'PLANES'"), "1");

    // The owner sees them in USER_ and ALL_ views; another user sees them once granted.
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(one("select count(*) from user_constraints where table_name = 'PLANES'", scott.get()), "4");
    EXPECT_EQ(one("select count(*) from user_cons_columns where constraint_name = 'PROY_PK'", scott.get()), "1");
    auto hr = connect("HR", "HR");
    EXPECT_EQ(one("select count(*) from all_constraints where table_name = 'PLANES'", hr.get()), "0");
    x("grant select on scott.planes to hr");
    EXPECT_EQ(one("select count(*) from all_constraints where table_name = 'PLANES'", hr.get()), "4");
    EXPECT_EQ(code("select count(*) from dba_constraints", hr.get()), 942);

    // The scenario's own constraints are still listed, and its unique indexes name the key.
    EXPECT_EQ(one("select r_constraint_name from dba_constraints where owner = 'HR' and "
                  "constraint_name = 'EMP_DEPT_FK'"), "DEPT_ID_PK");
    EXPECT_EQ(code("insert into hr.employees (employee_id, last_name, email, hire_date, job_id) "
                   "values (300, 'Nuevo', 'RVALDES', sysdate, 'IT_PROG')"), 1);
    EXPECT_EQ(lastError, "ORA-00001: unique constraint (HR.EMP_EMAIL_UK) violated");
}

TEST_F(Orcl, SequencesCommentsAndStoredSourceInTheDictionary)
{
    x("create sequence scott.folio_seq start with 10 increment by 5 maxvalue 1000 cache 20");
    EXPECT_EQ(q("select min_value, max_value, increment_by, cycle_flag, cache_size, last_number from dba_sequences "
                "where sequence_owner = 'SCOTT' and sequence_name = 'FOLIO_SEQ'"),
              (Rows{{"1", "1000", "5", "N", "20", "10"}}));
    EXPECT_EQ(one("select scott.folio_seq.nextval from dual"), "10");
    EXPECT_EQ(one("select last_number from dba_sequences where sequence_name = 'FOLIO_SEQ'"), "110");
    x("alter sequence scott.folio_seq nocache");
    // The scenario's sequences go on from their last number.
    EXPECT_EQ(one("select hr.employees_seq.nextval from dual"), "221");
    EXPECT_EQ(one("select last_number from dba_sequences where sequence_owner = 'HR' and "
                  "sequence_name = 'EMPLOYEES_SEQ'"), "222");
    EXPECT_EQ(one("select cache_size from dba_sequences where sequence_name = 'FOLIO_SEQ'"), "0");
    EXPECT_EQ(one("select object_type from dba_objects where owner = 'SCOTT' and object_name = 'FOLIO_SEQ'"), "SEQUENCE");

    x("comment on table scott.emp is 'Empleados de la empresa'");
    x("comment on column scott.emp.sal is 'Sueldo mensual'");
    EXPECT_EQ(one("select comments from dba_tab_comments where owner = 'SCOTT' and table_name = 'EMP'"),
              "Empleados de la empresa");
    EXPECT_EQ(one("select table_type from dba_tab_comments where owner = 'SCOTT' and table_name = 'EMP'"), "TABLE");
    EXPECT_EQ(q("select column_name, comments from dba_col_comments where owner = 'SCOTT' and table_name = 'EMP' "
                "and comments is not null"),
              (Rows{{"SAL", "Sueldo mensual"}}));
    x("comment on column scott.emp.sal is ''");
    EXPECT_EQ(one("select count(*) from dba_col_comments where owner = 'SCOTT' and comments is not null"), "0");
    EXPECT_EQ(code("comment on column scott.emp.nada is 'x'"), 904);

    // A procedure's source comes back line by line, as written from PROCEDURE on.
    x("create or replace procedure scott.subir_sueldo (p_empno in number, p_pct in number)\n"
      "is\n"
      "begin\n"
      "  update emp set sal = sal * (1 + p_pct / 100) where empno = p_empno;\n"
      "end subir_sueldo;\n"
      "/\n");
    EXPECT_EQ(q("select line, text from dba_source where owner = 'SCOTT' and name = 'SUBIR_SUELDO' order by line"),
              (Rows{{"1", "procedure scott.subir_sueldo (p_empno in number, p_pct in number)\n"},
                    {"2", "is\n"},
                    {"3", "begin\n"},
                    {"4", "  update emp set sal = sal * (1 + p_pct / 100) where empno = p_empno;\n"},
                    {"5", "end subir_sueldo;\n"}}));
    EXPECT_EQ(q("select object_type, status from dba_objects where owner = 'SCOTT' and object_name = 'SUBIR_SUELDO'"),
              (Rows{{"PROCEDURE", "VALID"}}));
    EXPECT_EQ(code("create procedure scott.subir_sueldo is begin null; end;"), 955);
    x("create or replace procedure scott.subir_sueldo is\nbegin\n  null;\nend;");
    EXPECT_EQ(one("select count(*) from dba_source where owner = 'SCOTT' and name = 'SUBIR_SUELDO'"), "4");

    // Packages, their bodies, functions, types and triggers, each with its object row.
    x("create package scott.util is\n  function doble (n number) return number;\nend util;");
    x("create package body scott.util is\n  function doble (n number) return number is\n  begin\n"
      "    return n * 2;\n  end;\nend util;");
    x("create function scott.triple (n number) return number is begin return n * 3; end;");
    x("create type scott.punto as object (x number, y number);");
    x("create trigger scott.emp_audit before insert on scott.emp for each row begin null; end;");
    EXPECT_EQ(q("select object_type from dba_objects where owner = 'SCOTT' and object_name in ('UTIL', 'TRIPLE', "
                "'PUNTO', 'EMP_AUDIT') order by object_type"),
              (Rows{{"FUNCTION"}, {"PACKAGE"}, {"PACKAGE BODY"}, {"TRIGGER"}, {"TYPE"}}));
    EXPECT_EQ(q("select trigger_type, triggering_event, table_name, status from dba_triggers where owner = 'SCOTT'"),
              (Rows{{"BEFORE EACH ROW", "INSERT", "EMP", "ENABLED"}}));
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(one("select count(*) from user_source where name = 'UTIL' and type = 'PACKAGE BODY'", scott.get()), "6");

    // The trigger is stored, not run: while it is enabled the statement it would fire for
    // is refused, and disabled it lets the statement run.
    EXPECT_EQ(code("insert into scott.emp (empno, ename) values (9001, 'NUEVO')"), 3001);
    EXPECT_EQ(lastError.rfind("ORA-03001: unimplemented feature: trigger SCOTT.EMP_AUDIT", 0), 0u) << lastError;
    x("alter trigger scott.emp_audit disable");
    EXPECT_EQ(one("select status from dba_triggers where trigger_name = 'EMP_AUDIT'"), "DISABLED");
    EXPECT_EQ(x("insert into scott.emp (empno, ename) values (9001, 'NUEVO')"), 1);

    x("drop package scott.util");
    x("drop trigger scott.emp_audit");
    x("drop procedure scott.subir_sueldo");
    EXPECT_EQ(one("select count(*) from dba_objects where owner = 'SCOTT' and object_name in ('UTIL', 'EMP_AUDIT', "
                  "'SUBIR_SUELDO')"), "0");
    EXPECT_EQ(one("select count(*) from dba_source where owner = 'SCOTT' and name in ('UTIL', 'SUBIR_SUELDO')"), "0");
    EXPECT_EQ(code("drop procedure scott.subir_sueldo"), 4043);
    EXPECT_EQ(code("drop trigger scott.emp_audit"), 4080);
}

TEST_F(Orcl, HumanResourcesSampleSchemaInstallsStatementByStatement)
{
    x("create user hrdemo identified by hrdemo default tablespace users");
    x("grant connect, resource to hrdemo");
    auto hr = connect("HRDEMO", "HRDEMO");
    std::vector<std::string> statements = scriptStatements(std::string(SQLVIGIL_TEST_DATA) + "/hr_install.sql");
    ASSERT_EQ(statements.size(), 98u);
    for (const std::string &sql : statements) {
        int c = code(sql, hr.get());
        ASSERT_EQ(c, 0) << lastError << "\nin: " << sql;
    }

    // Every table, its rows, and a comment on each.
    EXPECT_EQ(q("select table_name from user_tab_comments where comments is not null order by 1", hr.get()),
              (Rows{{"COUNTRIES"}, {"DEPARTMENTS"}, {"EMPLOYEES"}, {"JOBS"}, {"JOB_HISTORY"}, {"LOCATIONS"},
                    {"REGIONS"}}));
    EXPECT_EQ(one("select count(*) from employees", hr.get()), "12");
    EXPECT_EQ(one("select count(*) from user_constraints where constraint_type = 'R'", hr.get()), "10");
    EXPECT_EQ(one("select count(*) from user_constraints where constraint_type = 'P'", hr.get()), "7");
    EXPECT_EQ(one("select status from user_constraints where constraint_name = 'DEPT_MGR_FK'", hr.get()), "ENABLED");
    EXPECT_EQ(q("select object_type, count(*) from dba_objects where owner = 'HRDEMO' and object_type <> 'INDEX' "
                "group by object_type order by object_type"),
              (Rows{{"PROCEDURE", "2"}, {"SEQUENCE", "3"}, {"TABLE", "7"}, {"TRIGGER", "2"},
                    {"VIEW", "1"}}));
    EXPECT_EQ(q("select trigger_name, status from dba_triggers where owner = 'HRDEMO' order by 1"),
              (Rows{{"SECURE_EMPLOYEES", "DISABLED"}, {"UPDATE_JOB_HISTORY", "ENABLED"}}));
    EXPECT_EQ(one("select text from dba_source where owner = 'HRDEMO' and name = 'ADD_JOB_HISTORY' and line = 1"),
              "PROCEDURE add_job_history\n");
    // Sequences handed out their numbers during the install.
    EXPECT_EQ(one("select location_id from locations where city = 'Santiago'", hr.get()), "1700");
    EXPECT_EQ(one("select employees_seq.currval from dual", hr.get()), "120");
    EXPECT_EQ(one("select department_id from departments where department_name = 'Santiago Sales'", hr.get()), "280");
    // The session's date format read the dates of the install.
    EXPECT_EQ(one("select to_char(hire_date) from employees where employee_id = 102", hr.get()), "13-JAN-2001");

    // The manager hierarchy.
    EXPECT_EQ(q("select lpad(' ', 2 * (level - 1)) || last_name, level from employees start with manager_id is null "
                "connect by prior employee_id = manager_id order siblings by last_name", hr.get()),
              (Rows{{"Ward", "1"}, {"  Berg", "2"}, {"    Quinn", "3"}, {"      Esposito", "4"},
                    {"      Ibarra", "4"}, {"  Haddad", "2"}, {"    Novak", "3"}, {"  Mensah", "2"},
                    {"    Menon", "3"}, {"    Ortega", "3"}, {"  Rossi", "2"}, {"    Sato", "3"}}));
    EXPECT_EQ(one("select count(*) from emp_details_view where region_name = 'Americas'", hr.get()), "9");

    // The constraints hold on the installed schema.
    EXPECT_EQ(code("insert into employees (employee_id, last_name, email, hire_date, job_id) "
                   "values (300, 'Otro', 'EWARD', sysdate, 'IT_PROG')", hr.get()), 1);
    EXPECT_EQ(lastError, "ORA-00001: unique constraint (HRDEMO.EMP_EMAIL_UK) violated");
    EXPECT_EQ(code("insert into employees (employee_id, last_name, email, hire_date, job_id) "
                   "values (100, 'Otro', 'OTRO', sysdate, 'IT_PROG')", hr.get()), 1);
    EXPECT_EQ(lastError, "ORA-00001: unique constraint (HRDEMO.EMP_EMP_ID_PK) violated");
    EXPECT_EQ(code("update employees set salary = -1 where employee_id = 100", hr.get()), 2290);
    EXPECT_EQ(lastError, "ORA-02290: check constraint (HRDEMO.EMP_SALARY_MIN) violated");
    EXPECT_EQ(code("delete from departments where department_id = 50", hr.get()), 2292);
    EXPECT_EQ(lastError, "ORA-02292: integrity constraint (HRDEMO.EMP_DEPT_FK) violated - child record found");
    EXPECT_EQ(code("insert into job_history values (104, sysdate, sysdate - 1, 'IT_PROG', 60)", hr.get()), 2290);
    EXPECT_EQ(code("insert into countries values ('XX', 'Nowhere', 9)", hr.get()), 2291);
    EXPECT_EQ(lastError, "ORA-02291: integrity constraint (HRDEMO.COUNTR_REG_FK) violated - parent key not found");
    EXPECT_EQ(code("insert into emp_details_view (employee_id) values (1)", hr.get()), 1732);
    // A raise runs; a change of job would fire the job history trigger, which does not run here.
    EXPECT_EQ(x("update employees set salary = salary + 100 where employee_id = 104", hr.get()), 1);
    EXPECT_EQ(code("update employees set job_id = 'AD_VP' where employee_id = 104", hr.get()), 3001);
}
