#include "statement_guard.h"

#include <sqlite3.h>

#include <initializer_list>

namespace {

bool isOneOf(const char* name, std::initializer_list<const char*> names)
{
    for (const char* candidate : names)
        if (name && sqlite3_stricmp(name, candidate) == 0)
            return true;
    return false;
}

// The pragmas whose argument names what to look at, not a value to set.
bool isLookingPragma(const char* name)
{
    return isOneOf(name, {"table_info", "table_xinfo", "index_info", "index_xinfo", "index_list", "foreign_key_list",
                          "foreign_key_check", "integrity_check", "quick_check", "table_list"});
}

// The pragmas that change the database without an argument.
bool isActingPragma(const char* name)
{
    return isOneOf(name, {"optimize", "incremental_vacuum", "wal_checkpoint", "shrink_memory"});
}

// The tables of the schema, which SQLite changes only for CREATE, DROP and
// ALTER TABLE, and a table-valued PRAGMA function looks up as if changing.
bool isSchemaTable(const char* table)
{
    return isOneOf(table, {"sqlite_master", "sqlite_temp_master", "sqlite_schema", "sqlite_temp_schema"});
}

// The statements that change what is stored: a name for each of the
// authorizer's actions of that kind.
const char* changingAction(int action)
{
    switch (action) {
    case SQLITE_INSERT:
        return "INSERT";
    case SQLITE_UPDATE:
        return "UPDATE";
    case SQLITE_DELETE:
        return "DELETE";
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_CREATE_TEMP_TRIGGER:
    case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_VTABLE:
        return "CREATE";
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_INDEX:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_TEMP_TRIGGER:
    case SQLITE_DROP_TEMP_VIEW:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_VTABLE:
        return "DROP";
    case SQLITE_ALTER_TABLE:
        return "ALTER TABLE";
    case SQLITE_REINDEX:
        return "REINDEX";
    case SQLITE_ANALYZE:
        return "ANALYZE";
    case SQLITE_DETACH:
        return "DETACH";
    default:
        return nullptr;
    }
}

}

StatementGuard::StatementGuard(sqlite3* database, Access access) : access_(access)
{
    sqlite3_set_authorizer(database, authorize, this);
}

int StatementGuard::authorize(void* guard, int action, const char* first, const char* second, const char*,
                              const char*)
{
    auto& self = *static_cast<StatementGuard*>(guard);
    const QString reason = self.reasonToRefuse(action, first, second);
    if (reason.isNull())
        return SQLITE_OK;
    self.refusal_ = reason;
    return SQLITE_DENY;
}

QString StatementGuard::reasonToRefuse(int action, const char* first, const char* second) const
{
    if (action == SQLITE_ATTACH)
        return QStringLiteral(
            "ATTACH and VACUUM INTO are refused: no statement opens or writes another database file");
    if (action == SQLITE_FUNCTION && isOneOf(second, {"load_extension"}))
        return QStringLiteral("load_extension() is refused: no statement loads an extension");
    if (access_ == StatementGuard::Access::Scratch)
        return QString();

    const QString readOnly = QStringLiteral(" is refused: the database of --db is read only");
    if (action == SQLITE_PRAGMA && first && (second ? !isLookingPragma(first) : isActingPragma(first))) {
        const QString setting = second ? QStringLiteral(" = ...") : QString();
        return QStringLiteral("PRAGMA %1%2%3").arg(QString::fromUtf8(first), setting, readOnly);
    }
    // The table that INSERT, UPDATE or DELETE would change is the first
    // argument of those actions. A change of the schema is refused as the
    // statement that makes it.
    const bool onTable = action == SQLITE_INSERT || action == SQLITE_UPDATE || action == SQLITE_DELETE;
    const char* changing = changingAction(action);
    if (!changing || (onTable && isSchemaTable(first)))
        return QString();
    const QString table = onTable && first ? QStringLiteral(" on %1").arg(QString::fromUtf8(first)) : QString();
    return QStringLiteral("%1%2%3").arg(QString::fromUtf8(changing), table, readOnly);
}
