-- A human resources schema in the style of Oracle's public sample: regions,
-- countries, locations, departments, jobs, employees and their job history.
-- Run it, statement by statement, as the schema's owner. SQL statements end
-- with ";" at a line end, stored PL/SQL with a line holding only "/".

ALTER SESSION SET NLS_LANGUAGE = American;
ALTER SESSION SET NLS_TERRITORY = America;
ALTER SESSION SET NLS_DATE_FORMAT = 'DD-MON-YYYY';

-- ---------------------------------------------------------------- tables

CREATE TABLE regions
  ( region_id   NUMBER CONSTRAINT region_id_nn NOT NULL
  , region_name VARCHAR2(25)
  );

CREATE UNIQUE INDEX reg_id_pk ON regions (region_id);

ALTER TABLE regions ADD ( CONSTRAINT reg_id_pk PRIMARY KEY (region_id) );

-- Countries are few and read by key: an index-organized table.
CREATE TABLE countries
  ( country_id   CHAR(2) CONSTRAINT country_id_nn NOT NULL
  , country_name VARCHAR2(40)
  , region_id    NUMBER
  , CONSTRAINT country_c_id_pk PRIMARY KEY (country_id)
  )
  ORGANIZATION INDEX;

ALTER TABLE countries
  ADD ( CONSTRAINT countr_reg_fk FOREIGN KEY (region_id) REFERENCES regions (region_id) );

CREATE TABLE locations
  ( location_id    NUMBER(4)
  , street_address VARCHAR2(40)
  , postal_code    VARCHAR2(12)
  , city           VARCHAR2(30) CONSTRAINT loc_city_nn NOT NULL
  , state_province VARCHAR2(25)
  , country_id     CHAR(2)
  );

CREATE UNIQUE INDEX loc_id_pk ON locations (location_id);

ALTER TABLE locations
  ADD ( CONSTRAINT loc_id_pk PRIMARY KEY (location_id)
      , CONSTRAINT loc_c_id_fk FOREIGN KEY (country_id) REFERENCES countries (country_id) );

CREATE SEQUENCE locations_seq
  START WITH 1700 INCREMENT BY 100 MAXVALUE 9900 NOCACHE NOCYCLE;

CREATE TABLE departments
  ( department_id   NUMBER(4)
  , department_name VARCHAR2(30) CONSTRAINT dept_name_nn NOT NULL
  , manager_id      NUMBER(6)
  , location_id     NUMBER(4)
  );

CREATE UNIQUE INDEX dept_id_pk ON departments (department_id);

ALTER TABLE departments
  ADD ( CONSTRAINT dept_id_pk PRIMARY KEY (department_id)
      , CONSTRAINT dept_loc_fk FOREIGN KEY (location_id) REFERENCES locations (location_id) );

CREATE SEQUENCE departments_seq
  START WITH 280 INCREMENT BY 10 MAXVALUE 9990 NOCACHE NOCYCLE;

CREATE TABLE jobs
  ( job_id     VARCHAR2(10)
  , job_title  VARCHAR2(35) CONSTRAINT job_title_nn NOT NULL
  , min_salary NUMBER(6)
  , max_salary NUMBER(6)
  );

CREATE UNIQUE INDEX job_id_pk ON jobs (job_id);

ALTER TABLE jobs ADD ( CONSTRAINT job_id_pk PRIMARY KEY (job_id) );

CREATE TABLE employees
  ( employee_id    NUMBER(6)
  , first_name     VARCHAR2(20)
  , last_name      VARCHAR2(25) CONSTRAINT emp_last_name_nn NOT NULL
  , email          VARCHAR2(25) CONSTRAINT emp_email_nn NOT NULL
  , phone_number   VARCHAR2(20)
  , hire_date      DATE CONSTRAINT emp_hire_date_nn NOT NULL
  , job_id         VARCHAR2(10) CONSTRAINT emp_job_nn NOT NULL
  , salary         NUMBER(8,2)
  , commission_pct NUMBER(2,2)
  , manager_id     NUMBER(6)
  , department_id  NUMBER(4)
  , CONSTRAINT emp_salary_min CHECK (salary > 0)
  , CONSTRAINT emp_email_uk UNIQUE (email)
  );

CREATE UNIQUE INDEX emp_emp_id_pk ON employees (employee_id);

ALTER TABLE employees
  ADD ( CONSTRAINT emp_emp_id_pk PRIMARY KEY (employee_id)
      , CONSTRAINT emp_dept_fk FOREIGN KEY (department_id) REFERENCES departments
      , CONSTRAINT emp_job_fk FOREIGN KEY (job_id) REFERENCES jobs (job_id)
      , CONSTRAINT emp_manager_fk FOREIGN KEY (manager_id) REFERENCES employees );

ALTER TABLE departments
  ADD ( CONSTRAINT dept_mgr_fk FOREIGN KEY (manager_id) REFERENCES employees (employee_id) );

CREATE SEQUENCE employees_seq
  START WITH 120 INCREMENT BY 1 NOCACHE NOCYCLE;

CREATE TABLE job_history
  ( employee_id   NUMBER(6) CONSTRAINT jhist_employee_nn NOT NULL
  , start_date    DATE CONSTRAINT jhist_start_date_nn NOT NULL
  , end_date      DATE CONSTRAINT jhist_end_date_nn NOT NULL
  , job_id        VARCHAR2(10) CONSTRAINT jhist_job_nn NOT NULL
  , department_id NUMBER(4)
  , CONSTRAINT jhist_date_interval CHECK (end_date > start_date)
  );

CREATE UNIQUE INDEX jhist_emp_id_st_date_pk ON job_history (employee_id, start_date);

ALTER TABLE job_history
  ADD ( CONSTRAINT jhist_emp_id_st_date_pk PRIMARY KEY (employee_id, start_date)
      , CONSTRAINT jhist_job_fk FOREIGN KEY (job_id) REFERENCES jobs
      , CONSTRAINT jhist_emp_fk FOREIGN KEY (employee_id) REFERENCES employees
      , CONSTRAINT jhist_dept_fk FOREIGN KEY (department_id) REFERENCES departments );

CREATE OR REPLACE VIEW emp_details_view
  ( employee_id, job_id, manager_id, department_id, location_id, country_id, first_name,
    last_name, salary, commission_pct, department_name, job_title, city, state_province,
    country_name, region_name )
AS SELECT e.employee_id, e.job_id, e.manager_id, e.department_id, d.location_id, l.country_id,
          e.first_name, e.last_name, e.salary, e.commission_pct, d.department_name, j.job_title,
          l.city, l.state_province, c.country_name, r.region_name
     FROM employees e, departments d, jobs j, locations l, countries c, regions r
    WHERE e.department_id = d.department_id
      AND d.location_id = l.location_id
      AND l.country_id = c.country_id
      AND c.region_id = r.region_id
      AND j.job_id = e.job_id
WITH READ ONLY;

-- ---------------------------------------------------------------- comments

COMMENT ON TABLE regions IS 'Regions of the world where the company has locations.';
COMMENT ON COLUMN regions.region_id IS 'Primary key of regions.';
COMMENT ON TABLE countries IS 'Countries of the company''s locations; an index-organized table.';
COMMENT ON COLUMN countries.country_id IS 'Primary key: the ISO country code.';
COMMENT ON TABLE locations IS 'Addresses of the company''s offices, warehouses and sites.';
COMMENT ON TABLE departments IS 'Departments, each with a manager and a location.';
COMMENT ON COLUMN departments.manager_id IS 'Employee who manages the department.';
COMMENT ON TABLE jobs IS 'Jobs with their salary range.';
COMMENT ON TABLE employees IS 'Employees, each with a job, a department and a manager.';
COMMENT ON COLUMN employees.salary IS 'Monthly salary; must be greater than zero.';
COMMENT ON TABLE job_history IS 'Jobs employees held before their present one.';

-- ---------------------------------------------------------------- rows

INSERT INTO regions VALUES (1, 'Europe');
INSERT INTO regions VALUES (2, 'Americas');
INSERT INTO regions VALUES (3, 'Asia');
INSERT INTO regions VALUES (4, 'Middle East and Africa');

INSERT INTO countries VALUES ('AR', 'Argentina', 2);
INSERT INTO countries VALUES ('CL', 'Chile', 2);
INSERT INTO countries VALUES ('DE', 'Germany', 1);
INSERT INTO countries VALUES ('ES', 'Spain', 1);
INSERT INTO countries VALUES ('JP', 'Japan', 3);
INSERT INTO countries VALUES ('US', 'United States of America', 2);
INSERT INTO countries VALUES ('ZA', 'South Africa', 4);

INSERT INTO locations VALUES (1400, '12 Harbour Road', '98199', 'Seattle', 'Washington', 'US');
INSERT INTO locations VALUES (1500, '450 Orchard Lane', '94010', 'South San Francisco', 'California', 'US');
INSERT INTO locations VALUES (1600, 'Calle Mayor 7', '28013', 'Madrid', NULL, 'ES');
INSERT INTO locations VALUES (locations_seq.NEXTVAL, 'Av. Apoquindo 3000', '7550000', 'Santiago', NULL, 'CL');

-- Departments name their managers before the employees exist.
ALTER TABLE departments DISABLE CONSTRAINT dept_mgr_fk;

INSERT INTO departments VALUES (10, 'Administration', 200, 1400);
INSERT INTO departments VALUES (20, 'Marketing', 201, 1400);
INSERT INTO departments VALUES (50, 'Shipping', 121, 1500);
INSERT INTO departments VALUES (60, 'IT', 103, 1600);
INSERT INTO departments VALUES (90, 'Executive', 100, 1400);
INSERT INTO departments VALUES (departments_seq.NEXTVAL, 'Santiago Sales', NULL, 1700);

INSERT INTO jobs VALUES ('AD_PRES', 'President', 20000, 40000);
INSERT INTO jobs VALUES ('AD_VP', 'Administration Vice President', 15000, 30000);
INSERT INTO jobs VALUES ('AD_ASST', 'Administration Assistant', 3000, 6000);
INSERT INTO jobs VALUES ('MK_MAN', 'Marketing Manager', 9000, 15000);
INSERT INTO jobs VALUES ('MK_REP', 'Marketing Representative', 4000, 9000);
INSERT INTO jobs VALUES ('IT_PROG', 'Programmer', 4000, 10000);
INSERT INTO jobs VALUES ('ST_MAN', 'Stock Manager', 5500, 8500);
INSERT INTO jobs VALUES ('ST_CLERK', 'Stock Clerk', 2000, 5000);

INSERT INTO employees VALUES (100, 'Elena', 'Ward', 'EWARD', '515.123.4567', TO_DATE('17-06-1997', 'dd-MM-yyyy'), 'AD_PRES', 24000, NULL, NULL, 90);
INSERT INTO employees VALUES (101, 'Noor', 'Haddad', 'NHADDAD', '515.123.4568', TO_DATE('21-09-1999', 'dd-MM-yyyy'), 'AD_VP', 17000, NULL, 100, 90);
INSERT INTO employees VALUES (102, 'Tomas', 'Berg', 'TBERG', '515.123.4569', '13-JAN-2001', 'AD_VP', 17000, NULL, 100, 90);
INSERT INTO employees VALUES (103, 'Ada', 'Quinn', 'AQUINN', '590.423.4567', '03-JAN-2000', 'IT_PROG', 9000, NULL, 102, 60);
INSERT INTO employees VALUES (104, 'Bruno', 'Esposito', 'BESPOSITO', '590.423.4568', '21-MAY-2001', 'IT_PROG', 6000, NULL, 103, 60);
INSERT INTO employees VALUES (105, 'Carmen', 'Ibarra', 'CIBARRA', '590.423.4569', '25-JUN-2002', 'IT_PROG', 4800, NULL, 103, 60);
INSERT INTO employees VALUES (121, 'Kofi', 'Mensah', 'KMENSAH', '650.123.1234', '10-APR-2001', 'ST_MAN', 8200, NULL, 100, 50);
INSERT INTO employees VALUES (employees_seq.NEXTVAL, 'Ines', 'Ortega', 'IORTEGA', '650.121.2004', '14-JUL-2003', 'ST_CLERK', 3100, NULL, 121, 50);
INSERT INTO employees VALUES (141, 'Ravi', 'Menon', 'RMENON', '650.121.8009', '17-OCT-2001', 'ST_CLERK', 3500, NULL, 121, 50);
INSERT INTO employees VALUES (200, 'Julia', 'Novak', 'JNOVAK', '515.123.4444', '17-SEP-1999', 'AD_ASST', 4400, NULL, 101, 10);
INSERT INTO employees VALUES (201, 'Mateo', 'Rossi', 'MROSSI', '515.123.5555', '17-FEB-2000', 'MK_MAN', 13000, NULL, 100, 20);
INSERT INTO employees VALUES (202, 'Hana', 'Sato', 'HSATO', '603.123.6666', '17-AUG-2001', 'MK_REP', 6000, NULL, 201, 20);

ALTER TABLE departments ENABLE CONSTRAINT dept_mgr_fk;

INSERT INTO job_history VALUES (102, '13-JAN-1997', '24-JUL-2000', 'IT_PROG', 60);
INSERT INTO job_history VALUES (101, '21-SEP-1993', '27-OCT-1997', 'AD_ASST', 10);
INSERT INTO job_history VALUES (201, '17-FEB-1996', '19-DEC-1999', 'MK_REP', 20);

COMMIT;

-- ---------------------------------------------------------------- indexes

CREATE INDEX emp_department_ix ON employees (department_id);
CREATE INDEX emp_job_ix ON employees (job_id);
CREATE INDEX emp_manager_ix ON employees (manager_id);
CREATE INDEX emp_name_ix ON employees (last_name, first_name);
CREATE INDEX dept_location_ix ON departments (location_id);
CREATE INDEX loc_country_ix ON locations (country_id);

-- ---------------------------------------------------------------- code

CREATE OR REPLACE PROCEDURE secure_dml
IS
BEGIN
  IF TO_CHAR (SYSDATE, 'HH24:MI') NOT BETWEEN '08:00' AND '18:00'
        OR TO_CHAR (SYSDATE, 'DY') IN ('SAT', 'SUN') THEN
    RAISE_APPLICATION_ERROR (-20205,
        'You may only make changes during normal office hours');
  END IF;
END secure_dml;
/

CREATE OR REPLACE TRIGGER secure_employees
  BEFORE INSERT OR UPDATE OR DELETE ON employees
BEGIN
  secure_dml;
END secure_employees;
/

ALTER TRIGGER secure_employees DISABLE;

CREATE OR REPLACE PROCEDURE add_job_history
  (  p_emp_id          job_history.employee_id%type
   , p_start_date      job_history.start_date%type
   , p_end_date        job_history.end_date%type
   , p_job_id          job_history.job_id%type
   , p_department_id   job_history.department_id%type
   )
IS
BEGIN
  INSERT INTO job_history (employee_id, start_date, end_date, job_id, department_id)
    VALUES (p_emp_id, p_start_date, p_end_date, p_job_id, p_department_id);
END add_job_history;
/

CREATE OR REPLACE TRIGGER update_job_history
  AFTER UPDATE OF job_id, department_id ON employees
  FOR EACH ROW
BEGIN
  add_job_history (:old.employee_id, :old.hire_date, sysdate,
                   :old.job_id, :old.department_id);
END;
/

COMMIT;
