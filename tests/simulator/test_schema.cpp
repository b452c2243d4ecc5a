// Schema definitions on a bare instance: constraints enforced with Oracle's errors, ALTER
// TABLE, sequences across sessions, session date formats and honest refusals.
#include "simerror.h"
#include "simtest.h"
#include "simulator.h"
#include "testing.h"

#include <gtest/gtest.h>

namespace {

using simtest::Rows;
using simtest::TextSink;

class Schema : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::testing::resetInstance("TEST");
        db = sim::Connection::open("TEST", "SYSTEM", "MANAGER");
    }
    void TearDown() override
    {
        db.reset();
        sim::testing::resetInstance("TEST");
    }
    Rows rows(const std::string &sql, sim::Connection *c = nullptr)
    {
        TextSink s;
        (c ? c : db.get())->query(sql, s);
        return s.rows;
    }
    std::string value(const std::string &sql, sim::Connection *c = nullptr) { return rows(sql, c).at(0).at(0); }
    long exec(const std::string &sql, sim::Connection *c = nullptr) { return (c ? c : db.get())->execute(sql); }
    // The full Oracle message a statement fails with; empty when it runs.
    std::string error(const std::string &sql, sim::Connection *c = nullptr)
    {
        std::string message;
        simtest::errorCode([&] {
            if (sql.rfind("select", 0) == 0) rows(sql, c);
            else exec(sql, c);
        }, message);
        return message;
    }

    std::unique_ptr<sim::Connection> db;
};

void createHrTables(Schema &, const std::function<long(const std::string &)> &exec)
{
    exec("create table hr.departments (department_id number(4) constraint dept_id_pk primary key, "
         "department_name varchar2(30) constraint dept_name_nn not null)");
    exec("create table hr.employees (employee_id number(6), last_name varchar2(25) not null, "
         "email varchar2(25) constraint emp_email_nn not null, salary number(8,2), "
         "department_id number(4) constraint emp_dept_fk references hr.departments on delete set null, "
         "manager_id number(6), "
         "constraint emp_emp_id_pk primary key (employee_id), "
         "constraint emp_email_uk unique (email), "
         "constraint emp_salary_min check (salary > 0), "
         "constraint emp_manager_fk foreign key (manager_id) references hr.employees (employee_id))");
}

TEST_F(Schema, EveryConstraintKindIsEnforcedWithOraclesMessage)
{
    createHrTables(*this, [&](const std::string &s) { return exec(s); });
    exec("insert into hr.departments values (10, 'Administracion')");
    exec("insert into hr.employees values (100, 'Valdes', 'RVALDES', 24000, 10, null)");
    exec("insert into hr.employees values (101, 'Garcia', 'MGARCIA', 8500, 10, 100)");

    // Obeyed: a second distinct row, a NULL foreign key and a NULL checked value pass.
    EXPECT_EQ(exec("insert into hr.employees values (102, 'Soto', 'ASOTO', null, null, 100)"), 1);

    EXPECT_EQ(error("insert into hr.employees values (103, 'Reyes', 'RVALDES', 100, 10, 100)"),
              "ORA-00001: unique constraint (HR.EMP_EMAIL_UK) violated");
    EXPECT_EQ(error("insert into hr.employees values (100, 'Reyes', 'PREYES', 100, 10, 100)"),
              "ORA-00001: unique constraint (HR.EMP_EMP_ID_PK) violated");
    EXPECT_EQ(error("insert into hr.employees values (null, 'Reyes', 'PREYES', 100, 10, 100)"),
              "ORA-01400: cannot insert NULL into (\"HR\".\"EMPLOYEES\".\"EMPLOYEE_ID\")");
    EXPECT_EQ(error("insert into hr.employees (employee_id, email) values (103, 'PREYES')"),
              "ORA-01400: cannot insert NULL into (\"HR\".\"EMPLOYEES\".\"LAST_NAME\")");
    EXPECT_EQ(error("update hr.employees set last_name = null where employee_id = 101"),
              "ORA-01407: cannot update (\"HR\".\"EMPLOYEES\".\"LAST_NAME\") to NULL");
    EXPECT_EQ(error("insert into hr.employees values (103, 'Reyes', 'PREYES', -5, 10, 100)"),
              "ORA-02290: check constraint (HR.EMP_SALARY_MIN) violated");
    EXPECT_EQ(error("update hr.employees set salary = 0 where employee_id = 101"),
              "ORA-02290: check constraint (HR.EMP_SALARY_MIN) violated");
    EXPECT_EQ(error("insert into hr.employees values (103, 'Reyes', 'PREYES', 100, 99, 100)"),
              "ORA-02291: integrity constraint (HR.EMP_DEPT_FK) violated - parent key not found");
    EXPECT_EQ(error("update hr.employees set manager_id = 999 where employee_id = 101"),
              "ORA-02291: integrity constraint (HR.EMP_MANAGER_FK) violated - parent key not found");
    EXPECT_EQ(error("delete from hr.employees where employee_id = 100"),
              "ORA-02292: integrity constraint (HR.EMP_MANAGER_FK) violated - child record found");
    EXPECT_EQ(error("update hr.employees set employee_id = 900 where employee_id = 100"),
              "ORA-02292: integrity constraint (HR.EMP_MANAGER_FK) violated - child record found");

    // A failed statement leaves nothing of itself; the rows before it stay.
    EXPECT_EQ(error("insert into hr.employees select employee_id + 10, last_name, email || 'X', salary, "
                    "department_id, null from hr.employees union all select 200, 'Dup', 'RVALDES', 1, 10, null "
                    "from dual"),
              "ORA-00001: unique constraint (HR.EMP_EMAIL_UK) violated");
    EXPECT_EQ(value("select count(*) from hr.employees"), "3");

    // ON DELETE SET NULL on the department key; a leaf employee may go.
    exec("delete from hr.employees where employee_id = 102");
    exec("delete from hr.departments where department_id = 10");
    EXPECT_EQ(value("select count(*) from hr.employees where department_id is null"), "2");
}

TEST_F(Schema, CascadeDeletesChildrenAndSystemNamesAreGiven)
{
    exec("create table pedidos (id number primary key, cliente varchar2(10) not null)");
    exec("create table lineas (pedido number references pedidos on delete cascade, n number, "
         "check (n between 1 and 99), unique (pedido, n))");
    exec("insert into pedidos values (1, 'A')");
    exec("insert into pedidos values (2, 'B')");
    exec("insert into lineas values (1, 1)");
    exec("insert into lineas values (1, 2)");
    exec("insert into lineas values (2, 1)");
    EXPECT_EQ(exec("delete from pedidos where id = 1"), 1);
    EXPECT_EQ(value("select count(*) from lineas"), "1");

    // Unnamed constraints are named SYS_Cnnnnnn and the messages carry that name.
    std::string msg = error("insert into lineas values (2, 1)");
    EXPECT_EQ(msg.rfind("ORA-00001: unique constraint (SYSTEM.SYS_C", 0), 0u) << msg;
    msg = error("insert into lineas values (2, 100)");
    EXPECT_EQ(msg.rfind("ORA-02290: check constraint (SYSTEM.SYS_C", 0), 0u) << msg;
    // Composite keys with a NULL part still compare on the other parts, as Oracle does.
    exec("insert into lineas values (null, 5)");
    EXPECT_EQ(error("insert into lineas values (null, 5)").substr(0, 9), "ORA-00001");
    exec("insert into lineas values (null, null)");
    EXPECT_EQ(exec("insert into lineas values (null, null)"), 1);

    // A referenced table can neither be dropped nor truncated while the reference stands.
    EXPECT_EQ(error("drop table pedidos"), "ORA-02449: unique/primary keys in table referenced by foreign keys");
    EXPECT_EQ(error("truncate table pedidos"),
              "ORA-02266: unique/primary keys in table referenced by enabled foreign keys");
    exec("drop table pedidos cascade constraints");
    EXPECT_EQ(exec("insert into lineas values (7, 1)"), 1);
}

TEST_F(Schema, AlterTableAddsDropsEnablesAndDisablesConstraints)
{
    exec("create table t (id number, code varchar2(5), qty number)");
    exec("insert into t values (1, 'A', 5)");
    exec("insert into t values (1, 'B', -1)");
    EXPECT_EQ(error("alter table t add constraint t_pk primary key (id)"),
              "ORA-02437: cannot validate (SYSTEM.T_PK) - primary key violated");
    EXPECT_EQ(error("alter table t add constraint t_qty check (qty > 0)"),
              "ORA-02293: cannot validate (SYSTEM.T_QTY) - check constraint violated");
    exec("update t set id = 2, qty = 1 where code = 'B'");
    exec("alter table t add (constraint t_pk primary key (id), constraint t_qty check (qty > 0))");
    EXPECT_EQ(error("insert into t values (2, 'C', 1)"), "ORA-00001: unique constraint (SYSTEM.T_PK) violated");

    // Disabled, it checks nothing; enabling it checks the rows already there.
    exec("alter table t disable constraint t_qty");
    exec("insert into t values (3, 'C', -7)");
    EXPECT_EQ(error("alter table t enable constraint t_qty"),
              "ORA-02293: cannot validate (SYSTEM.T_QTY) - check constraint violated");
    exec("delete from t where id = 3");
    exec("alter table t enable constraint t_qty");
    EXPECT_EQ(error("insert into t values (3, 'C', -7)"), "ORA-02290: check constraint (SYSTEM.T_QTY) violated");

    // A referenced key needs CASCADE to be disabled or dropped.
    exec("create table c (t_id number constraint c_fk references t)");
    exec("insert into c values (1)");
    EXPECT_EQ(error("alter table t disable constraint t_pk"),
              "ORA-02297: cannot disable constraint (SYSTEM.T_PK) - dependencies exist");
    EXPECT_EQ(error("alter table t drop primary key"), "ORA-02273: this unique/primary key is referenced by some foreign keys");
    EXPECT_EQ(error("alter table c add constraint c_fk check (t_id > 0)"),
              "ORA-02264: name already used by an existing constraint");
    exec("alter table t drop constraint t_pk cascade");
    EXPECT_EQ(exec("insert into c values (42)"), 1);
    EXPECT_EQ(exec("insert into t values (1, 'D', 1)"), 1);
    EXPECT_EQ(error("alter table t drop constraint nada").substr(0, 9), "ORA-02443");
    EXPECT_EQ(error("create table d (x number references t)"), "ORA-02268: referenced table does not have a primary key");
}

TEST_F(Schema, AlterTableChangesColumnsKeepingRowsAndConstraints)
{
    exec("create table t (id number constraint t_pk primary key, name varchar2(10))");
    exec("insert into t values (1, 'uno')");
    exec("insert into t values (2, null)");
    exec("alter table t add (created date default to_date('2006-01-02', 'YYYY-MM-DD'), note varchar2(20))");
    EXPECT_EQ(rows("select id, created, note from t order by id"),
              (Rows{{"1", "2006-01-02 00:00:00", "~"}, {"2", "2006-01-02 00:00:00", "~"}}));
    exec("insert into t (id) values (3)");
    EXPECT_EQ(value("select to_char(created, 'YYYY-MM-DD') from t where id = 3"), "2006-01-02");
    EXPECT_EQ(error("insert into t (id) values (3)"), "ORA-00001: unique constraint (SYSTEM.T_PK) violated");
    EXPECT_EQ(error("alter table t add (name number)"), "ORA-01430: column being added already exists in table");
    EXPECT_EQ(error("alter table t add (flag char(1) not null)"),
              "ORA-01758: table must be empty to add mandatory (NOT NULL) column");

    EXPECT_EQ(error("alter table t modify (name not null)"), "ORA-02296: cannot enable (SYSTEM.) - null values found");
    exec("update t set name = 'x' where name is null");
    exec("alter table t modify (name varchar2(20) not null)");
    EXPECT_EQ(error("update t set name = null where id = 1"),
              "ORA-01407: cannot update (\"SYSTEM\".\"T\".\"NAME\") to NULL");
    EXPECT_EQ(error("alter table t modify (name varchar2(2))"),
              "ORA-01441: cannot decrease column length because some value is too big");
    EXPECT_EQ(error("alter table t modify (name number)"),
              "ORA-01439: column to be modified must be empty to change datatype");
    exec("alter table t modify (name null)");
    EXPECT_EQ(exec("update t set name = null where id = 1"), 1);

    exec("alter table t rename column name to full_name");
    EXPECT_EQ(value("select count(*) from t where full_name is null"), "1");
    exec("alter table t drop column note");
    EXPECT_EQ(error("select note from t"), "ORA-00904: \"NOTE\": invalid identifier");
    exec("alter table t rename to t2");
    EXPECT_EQ(error("insert into t2 (id) values (1)"), "ORA-00001: unique constraint (SYSTEM.T_PK) violated");
    EXPECT_EQ(value("select count(*) from t2"), "3");
    EXPECT_EQ(error("select * from t"), "ORA-00942: table or view does not exist");
}

TEST_F(Schema, SequencesNumberAcrossSessionsWithCurrvalPerSession)
{
    exec("create sequence emp_seq start with 100 increment by 10 nocache");
    auto other = sim::Connection::open("TEST", "SYSTEM", "MANAGER");
    EXPECT_EQ(error("select emp_seq.currval from dual"),
              "ORA-08002: sequence EMP_SEQ.CURRVAL is not yet defined in this session");
    EXPECT_EQ(value("select emp_seq.nextval from dual"), "100");
    EXPECT_EQ(value("select emp_seq.nextval from dual", other.get()), "110");
    EXPECT_EQ(value("select emp_seq.currval from dual"), "100");
    EXPECT_EQ(value("select system.emp_seq.currval from dual", other.get()), "110");

    // In DML, and not undone by ROLLBACK.
    exec("create table t (id number, n varchar2(5))");
    exec("insert into t values (emp_seq.nextval, 'a')");
    exec("rollback");
    exec("insert into t values (emp_seq.nextval, 'b')");
    EXPECT_EQ(value("select id from t"), "130");

    exec("alter sequence emp_seq increment by 1 maxvalue 132");
    EXPECT_EQ(value("select emp_seq.nextval from dual"), "131");
    EXPECT_EQ(value("select emp_seq.nextval from dual"), "132");
    EXPECT_EQ(error("select emp_seq.nextval from dual"),
              "ORA-08004: sequence EMP_SEQ.NEXTVAL exceeds MAXVALUE and cannot be instantiated");
    EXPECT_EQ(error("alter sequence emp_seq start with 5"), "ORA-02283: cannot alter starting sequence number");
    exec("create sequence ciclo minvalue 1 maxvalue 3 cycle nocache");
    std::string seen;
    for (int i = 0; i < 4; ++i) seen += value("select ciclo.nextval from dual");
    EXPECT_EQ(seen, "1231");
    exec("drop sequence emp_seq");
    EXPECT_EQ(error("select emp_seq.nextval from dual"), "ORA-02289: sequence does not exist");
    EXPECT_EQ(error("drop sequence emp_seq"), "ORA-02289: sequence does not exist");
    EXPECT_EQ(error("create sequence ciclo"), "ORA-00955: name is already used by an existing object");
}

TEST_F(Schema, NlsDateFormatChangesConversionsOfItsSessionOnly)
{
    exec("create table d (x date)");
    auto other = sim::Connection::open("TEST", "SYSTEM", "MANAGER");
    exec("insert into d values (to_date('2006-12-25 10:30:00', 'YYYY-MM-DD HH24:MI:SS'))");
    EXPECT_EQ(value("select to_char(x) from d"), "25-DEC-06");
    exec("alter session set nls_date_format = 'DD/MM/YYYY HH24:MI'");
    EXPECT_EQ(value("select to_char(x) from d"), "25/12/2006 10:30");
    EXPECT_EQ(value("select x || '' from d"), "25/12/2006 10:30");
    // Text in the session's format converts back to the same date.
    exec("insert into d values ('31/01/2007 08:15')");
    EXPECT_EQ(value("select to_char(max(x), 'YYYY-MM-DD HH24:MI') from d"), "2007-01-31 08:15");
    EXPECT_EQ(value("select to_char(to_date('01/02/2003 04:05')) from dual"), "01/02/2003 04:05");
    EXPECT_EQ(value("select to_char(x) from d where x < to_date('2007-01-01', 'YYYY-MM-DD')", other.get()),
              "25-DEC-06");
    exec("alter session set nls_language = 'SPANISH' nls_territory = 'SPAIN'");
    EXPECT_EQ(error("alter session set nls_date_format = 'DD-MON-BLURB'"), "ORA-01821: date format not recognized");
    EXPECT_EQ(error("alter session set nls_language = 'KLINGON'").substr(0, 9), "ORA-12705");
    EXPECT_EQ(error("alter session set no_such_parameter = 1"), "ORA-02248: invalid option for ALTER SESSION");
    exec("alter session set current_schema = scott");
    exec("create table z (n number)");
    EXPECT_EQ(value("select count(*) from scott.z"), "0");
}

TEST_F(Schema, UnsupportedStatementsSayWhichFeatureTheyNeed)
{
    exec("create table t (id number)");
    EXPECT_EQ(error("merge into t using dual on (1 = 1) when matched then update set id = 1"),
              "ORA-03001: unimplemented feature: MERGE");
    EXPECT_EQ(error("create materialized view mv as select * from t"),
              "ORA-03001: unimplemented feature: CREATE MATERIALIZED VIEW");
    EXPECT_EQ(error("create global temporary table g (x number)"),
              "ORA-03001: unimplemented feature: CREATE GLOBAL TEMPORARY TABLE");
    EXPECT_EQ(error("lock table t in exclusive mode"), "ORA-03001: unimplemented feature: LOCK TABLE");
    EXPECT_EQ(error("alter table t move tablespace users"), "ORA-03001: unimplemented feature: ALTER TABLE MOVE");
    EXPECT_EQ(error("create table u (x number constraint u_x unique initially deferred deferrable)"),
              "ORA-03001: unimplemented feature: INITIALLY DEFERRED constraint");
    EXPECT_EQ(error("insert all into t values (1) into t values (2) select * from dual"),
              "ORA-03001: unimplemented feature: multitable INSERT");
    EXPECT_EQ(error("update t set id = 2 where id = 1 returning id into :x"),
              "ORA-03001: unimplemented feature: RETURNING INTO");
    // Real syntax errors keep Oracle's codes.
    EXPECT_EQ(error("create tabel t (x number)").substr(0, 9), "ORA-00901");
    EXPECT_EQ(error("alter tabel t add (x number)").substr(0, 9), "ORA-00940");
    EXPECT_EQ(error("frobnicate t").substr(0, 9), "ORA-00900");
    EXPECT_EQ(error("alter table t add (x numbr)").substr(0, 9), "ORA-00902");
    EXPECT_EQ(error("alter table t add constraint k check (id >)").substr(0, 9), "ORA-00936");
    // Accepted and without effect here: physical attributes.
    EXPECT_EQ(exec("alter table t pctfree 20 storage (next 1m)"), 0);
}

} // namespace
