// Analytic and grouping queries over the HR-style schema (data/hr_install.sql), installed
// by its owner statement by statement; every figure worked out by hand from its rows.
#include "fixture.h"

using namespace dicttest;

namespace {

class Hr : public Orcl {
protected:
    void SetUp() override
    {
        Orcl::SetUp();
        x("create user hrdemo identified by hrdemo default tablespace users");
        x("grant connect, resource to hrdemo");
        hr = connect("HRDEMO", "HRDEMO");
        for (const std::string &sql : scriptStatements(std::string(SQLVIGIL_TEST_DATA) + "/hr_install.sql"))
            ASSERT_EQ(code(sql, hr.get()), 0) << lastError << "\nin: " << sql;
    }
    void TearDown() override
    {
        hr.reset();
        Orcl::TearDown();
    }
    Rows h(const std::string &sql) { return q(sql, hr.get()); }
    std::unique_ptr<sim::Connection> hr;
};

} // namespace

TEST_F(Hr, SalaryRankAndRunningTotalsPerDepartment)
{
    EXPECT_EQ(h("select department_id, last_name, rank() over (partition by department_id order by salary desc), "
                "dense_rank() over (partition by department_id order by salary desc) from employees "
                "order by department_id, salary desc, last_name"),
              (Rows{{"10", "Novak", "1", "1"}, {"20", "Rossi", "1", "1"}, {"20", "Sato", "2", "2"},
                    {"50", "Mensah", "1", "1"}, {"50", "Menon", "2", "2"}, {"50", "Ortega", "3", "3"},
                    {"60", "Quinn", "1", "1"}, {"60", "Esposito", "2", "2"}, {"60", "Ibarra", "3", "3"},
                    {"90", "Ward", "1", "1"}, {"90", "Berg", "2", "2"}, {"90", "Haddad", "2", "2"}}));
    // IT and Executive by hire date: 9000, 6000, 4800 and 24000, 17000, 17000.
    EXPECT_EQ(h("select last_name, sum(salary) over (partition by department_id order by hire_date) from employees "
                "where department_id in (60, 90) order by department_id, hire_date"),
              (Rows{{"Quinn", "9000"}, {"Esposito", "15000"}, {"Ibarra", "19800"},
                    {"Ward", "24000"}, {"Haddad", "41000"}, {"Berg", "58000"}}));
    // Each of Mensah's two clerks against their average of 3300.
    EXPECT_EQ(h("select last_name, salary - avg(salary) over (partition by manager_id) from employees "
                "where manager_id = 121 order by last_name"),
              (Rows{{"Menon", "200"}, {"Ortega", "-200"}}));
}

TEST_F(Hr, DepartmentTotalsRollupAndTheHierarchy)
{
    // 116000 in all: Executive 58000, IT 19800, Marketing 19000, Shipping 14800, Administration 4400.
    EXPECT_EQ(h("select department_id, sum(salary), round(ratio_to_report(sum(salary)) over (), 4) from employees "
                "group by department_id order by 1"),
              (Rows{{"10", "4400", "0.0379"}, {"20", "19000", "0.1638"}, {"50", "14800", "0.1276"},
                    {"60", "19800", "0.1707"}, {"90", "58000", "0.5"}}));
    EXPECT_EQ(h("select department_name, sum(salary) from employees join departments using (department_id) "
                "group by rollup(department_name) order by 1"),
              (Rows{{"Administration", "4400"}, {"Executive", "58000"}, {"IT", "19800"}, {"Marketing", "19000"},
                    {"Shipping", "14800"}, {"~", "116000"}}));
    // Ward, her four reports, their five, and Quinn's two.
    EXPECT_EQ(h("select level, count(*), sum(salary) from employees start with manager_id is null "
                "connect by prior employee_id = manager_id group by level order by level"),
              (Rows{{"1", "1", "24000"}, {"2", "4", "55200"}, {"3", "5", "26000"}, {"4", "2", "10800"}}));
    EXPECT_EQ(h("select count(*) from departments d left join employees e on e.department_id = d.department_id "
                "where e.employee_id is null"),
              (Rows{{"1"}}));   // Santiago Sales has nobody yet
}
