#ifndef TDFTOOL_SQL_ENDPOINT_H
#define TDFTOOL_SQL_ENDPOINT_H

// The served view's SQL endpoint, offered when the view has a database
// (view --db): /api/sql?q=STATEMENT runs one statement on the database's
// read-only connection and answers its result as JSON,
//   {"columns": [NAME...], "rows": [[VALUE...]...], "truncated": BOOL},
// at most `rows` rows and about `bytes` bytes of them ("truncated" says
// some were left out); a single value over `bytes` is an error. The query's guard refuses what would change the
// file or reach another (403 with the reason); a statement that runs past
// `seconds` is stopped (503); an SQL error is a 400. Every answer is
// {"error": MESSAGE} when it is not a result. Statements run one at a time.

#include "database_connection.h"

#include <view_service.h>

#include <cstddef>
#include <memory>

struct SqlLimits {
    std::size_t rows = 10000;
    std::size_t bytes = std::size_t(8) << 20;
    double seconds = 5;
};

// Answers "sql" itself and every other endpoint through `view`.
std::shared_ptr<const view::Service> withSqlEndpoint(std::shared_ptr<const view::Service> view, Database database,
                                                     SqlLimits limits = {});

#endif
