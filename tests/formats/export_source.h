// The writers' source: every type the host declares, values to quote, escape or keep as
// text, a row of nulls; numbers at the edges of text, currency and single; a failing row.
#pragma once

#include <fstream>
#include <string>

#include "scratch_database.h"

namespace vdimpexp::testing {

inline constexpr char kEveryTypeTable[] = R"(
    CREATE TABLE t (Id INTEGER, Name TEXT(40), [Last Name] TEXT(30), Zip TEXT(10),
                    Code TEXT(3), Notes LONGTEXT, Active BIT, Grade BYTE, Rank SMALLINT,
                    Price CURRENCY, Ratio SINGLE, Amount DOUBLE, Exact DECIMAL(10,2),
                    Born DATETIME);
    INSERT INTO t VALUES (1, 'Zoë', 'Ångström', '01234', 'ABCDÉ',
                          'said "hi", then left' || char(13, 10) || 'next line',
                          1, 200, -5, 12.5, 0.25, 1234567.891, 99.95, '2001-03-15');
    INSERT INTO t VALUES (2, 'Smith, John', ' padded ', '00501', 'XY', '<&> ''single''',
                          0, 0, 40000, 0, 1.5, -0.001, 0.1, '1999-12-31 23:59:58');
    INSERT INTO t VALUES (3, '', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                          NULL, NULL, NULL);
    CREATE TABLE edges (Id INTEGER, Price CURRENCY, Ratio SINGLE, Amount DOUBLE);
    INSERT INTO edges VALUES (1, 1000000, 0.0001, 1e21);
    INSERT INTO edges VALUES (2, 1e20, 1e39, 9e999);
    INSERT INTO edges VALUES (3, -0.5, -1e-7, -2.5e-7);
    -- The last row fails while it is read: abs() of the smallest integer.
    CREATE TABLE failing (Name TEXT(10), Big INTEGER);
    INSERT INTO failing VALUES ('a', 1), ('b', 2), ('c', -9223372036854775808);)";

inline void WriteFile(const std::string& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

}  // namespace vdimpexp::testing
