// Object privileges and roles of ordinary users on sim:ORCL: what SCOTT may read and
// change, how grants and revokes take effect, and the DBA role granted at run time.
#include "fixture.h"

using namespace dicttest;

namespace {

class Privileges : public Orcl {
protected:
    void SetUp() override
    {
        Orcl::SetUp();
        scott = connect("SCOTT", "TIGER");
    }
    void TearDown() override
    {
        scott.reset();
        Orcl::TearDown();
    }
    int asScott(const std::string &sql) { return code(sql, scott.get()); }

    std::unique_ptr<sim::Connection> scott;
};

// SCOTT reads his own schema and what was granted to him, to PUBLIC or to his roles;
// everything else does not exist for him.
TEST_F(Privileges, OrdinaryUsersSeeTheirOwnAndGrantedObjects)
{
    EXPECT_EQ(asScott("select count(*) from sys.ts$"), 942);
    EXPECT_EQ(lastError, "ORA-00942: table or view does not exist");
    EXPECT_EQ(asScott("select count(*) from hr.jobs"), 942);
    EXPECT_EQ(asScott("select count(*) from hr.regions"), 942);
    EXPECT_EQ(asScott("select count(*) from v$session"), 942);
    EXPECT_EQ(asScott("select * from sys.x$session"), 942);
    // Own schema, a direct grant, a grant to PUBLIC through a public synonym, and a
    // private synonym whose target is granted.
    EXPECT_EQ(one("select count(*) from emp", scott.get()), "14");
    EXPECT_EQ(one("select count(*) from scott.dept", scott.get()), one("select count(*) from scott.dept"));
    EXPECT_EQ(one("select count(*) from hr.employees", scott.get()), one("select count(*) from hr.employees"));
    EXPECT_EQ(asScott("select count(*) from productos"), 0);
    EXPECT_EQ(asScott("select count(*) from pedidos"), 0);
    EXPECT_EQ(asScott("select * from dual"), 0);
    // A public synonym leads to the object, but the object decides.
    EXPECT_EQ(asScott("select count(*) from clientes"), 942);
    // Every query nested in a statement is checked, not only the outer one.
    EXPECT_EQ(asScott("select count(*) from emp where job in (select job_id from hr.jobs)"), 942);
    EXPECT_EQ(asScott("select (select count(*) from sys.ts$) from dual"), 942);
    EXPECT_EQ(asScott("select count(*) from emp e, (select * from hr.locations) l where 1 = 0"), 942);
    EXPECT_EQ(asScott("with j as (select * from hr.jobs) select count(*) from j"), 942);
    // A synonym to a hidden object may be created, as in Oracle, and leads nowhere.
    EXPECT_EQ(asScott("create synonym puestos for hr.jobs"), 0);
    EXPECT_EQ(asScott("select count(*) from puestos"), 942);
    // A view over a hidden table cannot be created; over a granted one it can.
    EXPECT_EQ(asScott("create view v_jobs as select * from hr.jobs"), 942);
    EXPECT_EQ(asScott("create view v_emps as select employee_id from hr.employees"), 0);
    EXPECT_EQ(asScott("select count(*) from v_emps"), 0);
    // Nor can a plan be explained for it.
    EXPECT_EQ(asScott("explain plan for select * from hr.jobs"), 942);
    EXPECT_EQ(asScott("explain plan for select * from emp"), 0);
    // PL/SQL reports it as a compilation error.
    std::vector<sim::BindValue> binds(1);
    binds[0].name = "N";
    try {
        scott->executeBlock("begin select count(*) into :n from hr.jobs; end;", binds);
        ADD_FAILURE() << "the block ran";
    } catch (const sim::SimError &e) {
        EXPECT_EQ(e.code(), 6550);
        EXPECT_NE(std::string(e.what()).find("ORA-00942"), std::string::npos) << e.what();
    }
}

// DML needs the matching privilege: none at all hides the object (ORA-00942), others
// refuse the statement (ORA-01031).
TEST_F(Privileges, ChangesNeedTheirOwnPrivilege)
{
    // SCOTT holds SELECT and UPDATE on VENTAS.PEDIDOS (through his synonym PEDIDOS).
    EXPECT_EQ(asScott("update pedidos set estado = estado where pedido_id = 184161"), 0);
    EXPECT_EQ(asScott("delete from pedidos where 1 = 0"), 1031);
    EXPECT_EQ(lastError, "ORA-01031: insufficient privileges");
    EXPECT_EQ(asScott("insert into ventas.pedidos (pedido_id, cliente_id) values (1, 1)"), 1031);
    // SELECT only on HR.EMPLOYEES; nothing on HR.JOBS.
    EXPECT_EQ(asScott("delete from hr.employees where 1 = 0"), 1031);
    EXPECT_EQ(asScott("update hr.employees set salary = salary"), 1031);
    EXPECT_EQ(asScott("insert into hr.jobs values ('X', 'X', 1, 2)"), 942);
    EXPECT_EQ(asScott("delete from hr.jobs"), 942);
    EXPECT_EQ(asScott("truncate table hr.jobs"), 942);
    EXPECT_EQ(asScott("drop table hr.jobs"), 942);
    EXPECT_EQ(asScott("drop table hr.employees"), 1031);
    EXPECT_EQ(asScott("create index emp_jobs_ix on hr.jobs (job_id)"), 942);
    // A subquery of his own DML is a query like any other.
    EXPECT_EQ(asScott("delete from emp where job in (select job_id from hr.jobs)"), 942);
    EXPECT_EQ(asScott("update emp set sal = (select max(max_salary) from hr.jobs) where 1 = 0"), 942);
    // Granting another schema's object: refused, or unknown when he holds nothing on it.
    EXPECT_EQ(asScott("grant select on hr.employees to ventas"), 1031);
    EXPECT_EQ(asScott("grant select on hr.jobs to ventas"), 942);
    EXPECT_EQ(asScott("grant select on emp to ventas"), 0);
    // His own tables are his to change; nothing was lost along the way.
    EXPECT_EQ(asScott("update emp set sal = sal where empno = 7788"), 0);
    EXPECT_EQ(one("select count(*) from hr.jobs"), "9");
    // Granted, the same statements run.
    x("grant insert, delete on hr.jobs to scott");
    EXPECT_EQ(asScott("insert into hr.jobs values ('X', 'X', 1, 2)"), 0);
    EXPECT_EQ(asScott("delete from hr.jobs where job_id = 'X'"), 0);
    EXPECT_EQ(asScott("select count(*) from hr.jobs"), 1031);   // visible, but not readable
}

// Object grants and revokes apply at the grantee's next statement, even to a statement
// whose translation the instance has cached.
TEST_F(Privileges, GrantAndRevokeTakeEffectAtTheNextStatement)
{
    const std::string sql = "select count(*) from hr.jobs";
    EXPECT_EQ(asScott(sql), 942);
    x("grant select on hr.jobs to scott");
    EXPECT_EQ(one(sql, scott.get()), "9");
    EXPECT_EQ(one(sql, scott.get()), "9");
    x("revoke select on hr.jobs from scott");
    EXPECT_EQ(asScott(sql), 942);
    // Through PUBLIC.
    x("grant select on hr.jobs to public");
    EXPECT_EQ(asScott(sql), 0);
    x("revoke select on hr.jobs from public");
    EXPECT_EQ(asScott(sql), 942);
    // The owner grants his own tables.
    auto hr = connect("HR", "HR");
    EXPECT_EQ(code("grant select on jobs to scott", hr.get()), 0);
    EXPECT_EQ(asScott(sql), 0);
    EXPECT_EQ(code("revoke select on jobs from scott", hr.get()), 0);
    EXPECT_EQ(asScott(sql), 942);
    // A grant written straight into the grant table counts as well.
    sim::testing::runScript(key, "INSERT INTO SYS.OBJAUTH$ VALUES ('SCOTT', 'HR', 'JOBS', 'HR', 'SELECT', 'NO');");
    EXPECT_EQ(asScott(sql), 0);
    // Dropping the grantee's role takes its grants away at once.
    x("create role lectores");
    x("grant select on hr.regions to lectores");
    x("grant lectores to scott");
    auto later = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("select count(*) from hr.regions", later.get()), 0);
    x("revoke select on hr.regions from lectores");
    EXPECT_EQ(code("select count(*) from hr.regions", later.get()), 942);
    // Grants go with the object they were made on: a table made again under the same name
    // starts without them.
    x("create table hr.borrador (x number)");
    x("grant select on hr.borrador to scott");
    EXPECT_EQ(asScott("select count(*) from hr.borrador"), 0);
    x("drop table hr.borrador");
    x("create table hr.borrador (x number)");
    EXPECT_EQ(asScott("select count(*) from hr.borrador"), 942);
    EXPECT_EQ(one("select count(*) from dba_tab_privs where table_name = 'BORRADOR'"), "0");
    // A view replaced keeps them.
    x("create view hr.v_borrador as select 1 x from dual");
    x("grant select on hr.v_borrador to scott");
    x("create or replace view hr.v_borrador as select 2 x from dual");
    EXPECT_EQ(one("select x from hr.v_borrador", scott.get()), "2");
    x("drop view hr.v_borrador");
    EXPECT_EQ(one("select count(*) from dba_tab_privs where table_name = 'V_BORRADOR'"), "0");
}

// Roles take effect when their holder logs in, as in Oracle: the session open before the
// grant keeps its rights, a new one gets the role's. Translations are not shared between
// sessions of one user that hold different roles.
TEST_F(Privileges, RolesAreEnabledAtLogin)
{
    x("create role lectores");
    x("grant select on hr.jobs to lectores");
    x("grant lectores to scott");
    const std::string sql = "select count(*) from hr.jobs";
    EXPECT_EQ(asScott(sql), 942);
    auto later = connect("SCOTT", "TIGER");
    EXPECT_EQ(code(sql, later.get()), 0);
    EXPECT_EQ(asScott(sql), 942);
    EXPECT_EQ(code(sql, later.get()), 0);
    // Roles held through roles count too.
    x("create role consultas");
    x("grant lectores to consultas");
    x("grant consultas to hr");
    auto hr = connect("HR", "HR");
    EXPECT_EQ(code("select count(*) from hr.jobs", hr.get()), 0);   // his own
    x("grant select on scott.bonus to lectores");
    EXPECT_EQ(code("select count(*) from scott.bonus", hr.get()), 0);
    // A role revoked from SCOTT leaves with his next login.
    x("revoke lectores from scott");
    EXPECT_EQ(code(sql, later.get()), 0);
    EXPECT_EQ(code(sql, connect("SCOTT", "TIGER").get()), 942);
    // SELECT_CATALOG_ROLE reads every dictionary view, not only those listed for it.
    auto agent = connect("DBSNMP", "DBSNMP");
    EXPECT_EQ(code("select count(*) from v$sqlarea", agent.get()), 0);
    EXPECT_EQ(code("select count(*) from dba_data_files", agent.get()), 0);
    EXPECT_EQ(code("select count(*) from sys.ts$", agent.get()), 942);
    EXPECT_EQ(code("update sys.dba_users set username = username", agent.get()), 1031);
}

// GRANT DBA gives a user the administrator's rights from his next login on, and REVOKE
// DBA takes them away from his next login on.
TEST_F(Privileges, DbaGrantedAtRunTimeTakesEffectAtTheNextLogin)
{
    EXPECT_EQ(asScott("create role informes"), 1031);
    x("grant dba to scott");
    // The open session keeps what it had.
    EXPECT_EQ(asScott("create role informes"), 1031);
    EXPECT_EQ(asScott("select count(*) from sys.ts$"), 942);
    auto admin = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("select count(*) from sys.ts$", admin.get()), 0);
    EXPECT_EQ(code("select count(*) from v$session", admin.get()), 0);
    EXPECT_EQ(code("select count(*) from hr.jobs", admin.get()), 0);
    EXPECT_EQ(code("update hr.jobs set min_salary = min_salary", admin.get()), 0);
    EXPECT_EQ(code("create role informes", admin.get()), 0);
    EXPECT_EQ(code("create table hr.notas (x number)", admin.get()), 0);
    EXPECT_EQ(code("drop table hr.notas", admin.get()), 0);
    EXPECT_EQ(code("alter system kill session '999,1'", admin.get()), 30);   // reaches the check of the sid
    x("revoke dba from scott");
    EXPECT_EQ(code("select count(*) from sys.ts$", admin.get()), 0);
    auto again = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("select count(*) from sys.ts$", again.get()), 942);
    EXPECT_EQ(code("drop role informes", again.get()), 1031);
    // DBA held through another role.
    x("create role jefes");
    x("grant dba to jefes");
    x("grant jefes to ventas");
    auto ventas = connect("VENTAS", "VENTAS");
    EXPECT_EQ(code("select count(*) from sys.ts$", ventas.get()), 0);
    EXPECT_EQ(code("drop role informes", ventas.get()), 0);
}

} // namespace
