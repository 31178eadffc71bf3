#include "host/registry/sqlite/SqliteBackend.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace host::registry {

namespace {

// Every name, path and value is stored as the bytes of its UTF-16 code units (a BLOB), though
// the columns were declared for text before: the store's own statements bind them so.
const char* const CreateSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY,
    parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
    path TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL
);
CREATE INDEX keys_parent ON keys(parent);
CREATE TABLE vals(
    key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    seq INTEGER NOT NULL,
    folded TEXT NOT NULL,
    name TEXT NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY(key, seq)
) WITHOUT ROWID;
CREATE UNIQUE INDEX vals_name ON vals(key, folded);
)sql";

const Action OpenTheStore{"open the store"};

} // namespace

std::string newStoreSql()
{
    return std::string(CreateSchema) + "PRAGMA application_id = " + std::to_string(StoreApplicationId)
        + ";\nPRAGMA user_version = " + std::to_string(StoreSchemaVersion) + ";\n";
}

SqliteBackend::SqliteBackend(sqlite3* db, Text location, std::function<bool()> writable, bool convert)
    : m_db(db), m_location(std::move(location)), m_writable(std::move(writable))
{
    int version = int(integerQuery("PRAGMA user_version", OpenTheStore));
    if (convert && version < StoreSchemaVersion) {
        convertLayout(version);
        version = StoreSchemaVersion;
    }
    m_binding = version == StoreTextSchemaVersion ? TextBinding::SqlText : TextBinding::Bytes;
    m_form = version < StoreSchemaVersion ? NameForm::Folded : NameForm::Registry;

    const std::pair<Statement*, const char*> statements[] = {
        {&m_findKey, "SELECT id FROM keys WHERE path = ?1"},
        {&m_insertKey, "INSERT INTO keys(parent, path, name) VALUES(?1, ?2, ?3)"},
        // A key and every key below it, and (first) their values.
        {&m_deleteKey,
         "WITH RECURSIVE doomed(id) AS (SELECT id FROM keys WHERE path = ?1 UNION ALL "
         "SELECT k.id FROM keys k JOIN doomed d ON k.parent = d.id) "
         "DELETE FROM keys WHERE id IN doomed"},
        {&m_deleteKeyValues,
         "WITH RECURSIVE doomed(id) AS (SELECT id FROM keys WHERE path = ?1 UNION ALL "
         "SELECT k.id FROM keys k JOIN doomed d ON k.parent = d.id) "
         "DELETE FROM vals WHERE key IN doomed"},
        {&m_readValue, "SELECT v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 AND v.folded = ?2"},
        // Inserts nothing when the key is missing. A new value comes after the key's others.
        {&m_writeValue,
         "INSERT INTO vals(key, seq, folded, name, value) "
         "SELECT k.id, (SELECT ifnull(max(seq), 0) + 1 FROM vals WHERE key = k.id), ?2, ?3, ?4 "
         "FROM keys k WHERE k.path = ?1 "
         "ON CONFLICT(key, folded) DO UPDATE SET value = excluded.value"},
        // The same into a key known to exist within a change, its creation number given: one
        // row of values, which SQLite writes without a statement journal of its own.
        {&m_insertValue,
         "INSERT INTO vals(key, seq, folded, name, value) VALUES(?1, ?5, ?2, ?3, ?4) "
         "ON CONFLICT(key, folded) DO UPDATE SET value = excluded.value"},
        {&m_nextSeq, "SELECT ifnull(max(seq), 0) + 1 FROM vals WHERE key = ?1"},
        {&m_deleteValue, "DELETE FROM vals WHERE key = (SELECT id FROM keys WHERE path = ?1) AND folded = ?2"},
        // A negative limit lists them all.
        {&m_values,
         "SELECT v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 "
         "ORDER BY v.seq LIMIT ?2"},
        {&m_valuesAfter,
         "SELECT v.seq, v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 AND v.seq > ?2 "
         "ORDER BY v.seq LIMIT ?3"},
        {&m_valueCount, "SELECT count(*) FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1"},
    };
    for (const auto& [statement, sql] : statements)
        prepare(*statement, sql);
}

void SqliteBackend::fail(const Action& action, int code) const
{
    Text detail(static_cast<const char16_t*>(sqlite3_errmsg16(m_db)));
    if (const int error = sqlite3_system_errno(m_db); error != 0)
        detail += u"; " + fromUtf8(std::strerror(error));
    throw Error(m_location, action, Error::Backend, code, std::move(detail));
}

void SqliteBackend::execute(const char* sql, const Action& action)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        failLastError(action);
}

sqlite3_int64 SqliteBackend::integerQuery(const char* sql, const Action& action)
{
    Statement statement;
    if (sqlite3_prepare_v2(m_db, sql, -1, statement.slot(), nullptr) != SQLITE_OK)
        failLastError(action);
    Use use(statement);
    if (use.step() != SQLITE_ROW)
        failLastError(action);
    return use.integer(0);
}

void SqliteBackend::prepare(Statement& statement, const char* sql)
{
    statement.setBinding(m_binding);
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement.slot(), nullptr) != SQLITE_OK)
        failLastError(OpenTheStore);
}

void SqliteBackend::convertLayout(int version)
{
    // Each as the bytes of its UTF-16 code units; a value already bytes stays as it is.
    const auto asBytes = [](sqlite3_context* context, int, sqlite3_value** arguments) {
        if (sqlite3_value_type(arguments[0]) == SQLITE_BLOB)
            sqlite3_result_value(context, arguments[0]);
        else if (const void* text = sqlite3_value_text16le(arguments[0]); text && sqlite3_value_bytes16(arguments[0]))
            sqlite3_result_blob(context, text, sqlite3_value_bytes16(arguments[0]), SQLITE_TRANSIENT);
        else
            sqlite3_result_zeroblob(context, 0);
    };
    // The matching form of a name stored as bytes.
    const auto nameForm = [](sqlite3_context* context, int, sqlite3_value** arguments) {
        Text swapped;
        Text name(static_cast<const char16_t*>(sqlite3_value_blob(arguments[0])),
                  std::size_t(sqlite3_value_bytes(arguments[0]) / 2));
        if constexpr (!LittleEndian)
            name.assign(static_cast<const char16_t*>(storedBytes(name, swapped)), name.size());
        const Text key = nameKey(name);
        if (key.empty())
            sqlite3_result_zeroblob(context, 0);
        else
            sqlite3_result_blob(context, storedBytes(key, swapped), int(key.size() * 2), SQLITE_TRANSIENT);
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
    if (sqlite3_create_function(m_db, "stored_bytes", 1, flags, nullptr, asBytes, nullptr, nullptr) != SQLITE_OK
        || sqlite3_create_function(m_db, "name_key", 1, flags, nullptr, nameForm, nullptr, nullptr) != SQLITE_OK)
        failLastError(OpenTheStore);
    const std::string toBytes =
        "UPDATE keys SET path = stored_bytes(path), name = stored_bytes(name);"
        "UPDATE vals SET folded = stored_bytes(folded), name = stored_bytes(name), value = stored_bytes(value);";
    // The new form only ever tells apart names the old one matched, so no two names of a key
    // can come to match; names whose form, made again, would match another's (text SQLite
    // changed on the way into the first layout) keep the form they had, and so stay apart.
    const std::string forms = "PRAGMA user_version = " + std::to_string(StoreSchemaVersion)
        + ";UPDATE OR IGNORE vals SET folded = name_key(name) WHERE folded <> name_key(name);";
    m_binding = TextBinding::Bytes;
    m_form = NameForm::Registry;
    transaction([&] {
        const int found = int(integerQuery("PRAGMA user_version", OpenTheStore));
        if (found >= StoreSchemaVersion || found != version)
            return;
        if (version == StoreTextSchemaVersion)
            execute(toBytes.c_str(), OpenTheStore);
        execute(forms.c_str(), OpenTheStore);
        // A key's path is made of its ancestors' forms: parents, made first, come first.
        struct Key {
            sqlite3_int64 id, parent;
            Text name, path;
        };
        std::vector<Key> keys;
        {
            Statement all;
            prepare(all, "SELECT id, parent, name, path FROM keys ORDER BY id");
            Use use(all);
            int result;
            while ((result = use.step()) == SQLITE_ROW)
                keys.push_back({use.integer(0), use.integer(1), Text(use.text(2)), Text(use.text(3))});
            if (result != SQLITE_DONE)
                failLastError(OpenTheStore);
        }
        Statement update;
        prepare(update, "UPDATE OR IGNORE keys SET path = ?2 WHERE id = ?1");
        std::unordered_map<sqlite3_int64, Text> paths;
        for (Key& key : keys) {
            const auto parent = paths.find(key.parent);
            Text path = parent == paths.end() ? Text() : parent->second + u'\\';
            path += nameKey(key.name);
            Use set(update);
            set.bind(1, key.id);
            set.bind(2, path);
            expectDone(set, OpenTheStore);
            paths.emplace(key.id, sqlite3_changes(m_db) > 0 ? std::move(path) : std::move(key.path));
        }
    });
}

void SqliteBackend::requireWritable(const Action& action)
{
    // Once per change: the file may have been made read-only since it was opened for
    // writing, which the last look before this use has seen.
    if (m_depth > 0 ? !m_changeWritable : !m_writable())
        throw Error(m_location, action, Error::ReadOnly, 0, u"the file is read-only");
}

void SqliteBackend::expectDone(Use& use, const Action& action)
{
    if (use.step() != SQLITE_DONE)
        failLastError(action);
}

const Text& SqliteBackend::formOf(TextView name)
{
    m_formBuffer.resize(name.size());
    nameKey(name, m_formBuffer.data(), m_form);
    return m_formBuffer;
}

Text SqliteBackend::pathKey(const KeyPath& key, std::size_t levels) const
{
    Text path;
    for (std::size_t i = 0; i < levels; ++i) {
        if (i > 0)
            path += u'\\';
        path += nameKey(key[i], m_form);
    }
    return path;
}

const Text& SqliteBackend::pathOf(const KeyPath& key)
{
    if (!m_hasLastPath || key != m_lastKey) {
        m_lastPath = pathKey(key, key.size());
        m_lastKey = key;
        m_hasLastPath = true;
    }
    return m_lastPath;
}

sqlite3_int64 SqliteBackend::findKey(TextView path, const Action& action)
{
    Use use(m_findKey);
    use.bind(1, path);
    switch (use.step()) {
    case SQLITE_ROW: return use.integer(0);
    case SQLITE_DONE: return 0;
    default: failLastError(action);
    }
}

void SqliteBackend::ensureKey(const KeyPath& key, const Action& action)
{
    sqlite3_int64 parent = 0;
    for (std::size_t level = 1; level <= key.size(); ++level) {
        const Text path = pathKey(key, level);
        sqlite3_int64 id = findKey(path, action);
        if (id == 0) {
            Use use(m_insertKey);
            use.bind(1, parent);
            use.bind(2, path);
            use.bind(3, key[level - 1]);
            expectDone(use, action);
            id = sqlite3_last_insert_rowid(m_db);
            m_changeKeyIds.emplace(path, id);
        }
        parent = id;
    }
}

void SqliteBackend::createKey(const KeyPath& key)
{
    const Action action{"create", &key};
    if (findKey(pathOf(key), action) != 0)
        return;
    registry::requireWritable(m_location, action, key);
    requireWritable(action);
    transaction([&] { ensureKey(key, action); });
}

bool SqliteBackend::readValue(const KeyPath& key, TextView name, const std::function<void(TextView)>& found)
{
    Use use(m_readValue);
    use.bind(1, pathOf(key));
    use.bind(2, formOf(name));
    switch (use.step()) {
    case SQLITE_ROW: found(use.text(0)); return true;
    case SQLITE_DONE: return false;
    default: failLastError({"read", &key, &name});
    }
}

template <typename Key>
bool SqliteBackend::upsertValue(const Statement& statement, const Key& key, TextView name, TextView value,
                                const Action& action, sqlite3_int64 seq)
{
    Use use(statement);
    use.bind(1, key);
    use.bind(2, formOf(name));
    use.bind(3, name);
    use.bind(4, value);
    if (seq > 0)
        use.bind(5, seq);
    expectDone(use, action);
    return sqlite3_changes(m_db) > 0;
}

void SqliteBackend::writeValue(const KeyPath& key, TextView name, TextView value)
{
    const Action action{"write", &key, &name};
    registry::requireWritable(m_location, action, key, name, value);
    requireWritable(action);
    const Text& path = pathOf(key);
    if (m_depth > 0) {
        sqlite3_int64 id = changeKeyId(path, action);
        if (id == 0) {
            transaction([&] { ensureKey(key, action); });
            id = changeKeyId(path, action);
        }
        // A value that replaces another keeps its place; the number then goes unused, and
        // the key's values keep their order.
        upsertValue(m_insertValue, id, name, value, action, nextSeq(id, action)++);
        return;
    }
    // Into an existing key the write is one statement; otherwise the key is made with it.
    if (upsertValue(m_writeValue, TextView(path), name, value, action))
        return;
    transaction([&] {
        ensureKey(key, action);
        upsertValue(m_writeValue, TextView(path), name, value, action);
    });
}

sqlite3_int64 SqliteBackend::changeKeyId(const Text& path, const Action& action)
{
    if (const auto known = m_changeKeyIds.find(path); known != m_changeKeyIds.end())
        return known->second;
    const sqlite3_int64 id = findKey(path, action);
    if (id != 0)
        m_changeKeyIds.emplace(path, id);
    return id;
}

sqlite3_int64& SqliteBackend::nextSeq(sqlite3_int64 keyId, const Action& action)
{
    auto next = m_changeNextSeq.find(keyId);
    if (next == m_changeNextSeq.end()) {
        Use use(m_nextSeq);
        use.bind(1, keyId);
        if (use.step() != SQLITE_ROW)
            failLastError(action);
        next = m_changeNextSeq.emplace(keyId, use.integer(0)).first;
    }
    return next->second;
}

void SqliteBackend::deleteValue(const KeyPath& key, TextView name)
{
    const Action action{"delete", &key, &name};
    requireWritable(action);
    Use use(m_deleteValue);
    use.bind(1, pathOf(key));
    use.bind(2, formOf(name));
    expectDone(use, action);
}

void SqliteBackend::deleteKey(const KeyPath& key)
{
    const Action action{"erase", &key};
    requireWritable(action);
    m_changeKeyIds.clear(); // the key and those below it go
    m_changeNextSeq.clear();
    const Text& path = pathOf(key);
    transaction([&] {
        for (const Statement* statement : {&m_deleteKeyValues, &m_deleteKey}) {
            Use use(*statement);
            use.bind(1, path);
            expectDone(use, action);
        }
    });
}

void SqliteBackend::values(const KeyPath& key, std::ptrdiff_t limit, const ValueSink& sink)
{
    Use use(m_values);
    use.bind(1, pathOf(key));
    sqlite3_bind_int64(m_values.get(), 2, limit < 0 ? -1 : sqlite3_int64(limit));
    int result;
    while ((result = use.step()) == SQLITE_ROW)
        sink(use.text(0), use.text(1));
    if (result != SQLITE_DONE)
        failLastError({"list", &key});
}

void SqliteBackend::valuesAfter(const KeyPath& key, std::int64_t& position, std::ptrdiff_t limit, const ValueSink& sink)
{
    Use use(m_valuesAfter);
    use.bind(1, pathOf(key));
    sqlite3_bind_int64(m_valuesAfter.get(), 2, sqlite3_int64(position));
    sqlite3_bind_int64(m_valuesAfter.get(), 3, sqlite3_int64(std::max<std::ptrdiff_t>(limit, 0)));
    int result;
    while ((result = use.step()) == SQLITE_ROW) {
        position = use.integer(0);
        sink(use.text(1), use.text(2));
    }
    if (result != SQLITE_DONE)
        failLastError({"list", &key});
}

std::size_t SqliteBackend::valueCount(const KeyPath& key)
{
    Use use(m_valueCount);
    use.bind(1, pathOf(key));
    if (use.step() != SQLITE_ROW)
        failLastError({"list", &key});
    return std::size_t(use.integer(0));
}

void SqliteBackend::deleteKeyInSlices(const KeyPath& key, const Progress& progress)
{
    // Slices of some 10 ms each: a million values take a second or more to delete.
    constexpr int SliceSize = 16384;
    const Action action{"erase", &key};
    requireWritable(action);
    transaction([&] {
        const std::size_t total = valueCount(key);
        const sqlite3_int64 id = findKey(pathOf(key), action);
        Statement slice;
        // The first values in creation order, up to the slice's last.
        prepare(slice,
                "DELETE FROM vals WHERE key = ?1 AND seq <= ifnull((SELECT seq FROM vals WHERE key = ?1 "
                "ORDER BY seq LIMIT 1 OFFSET ?2), 9223372036854775807)");
        for (std::size_t deleted = 0; id != 0 && deleted < total;) {
            {
                Use use(slice);
                use.bind(1, id);
                sqlite3_bind_int64(slice.get(), 2, SliceSize - 1);
                expectDone(use, action);
            }
            const int changes = sqlite3_changes(m_db);
            deleted += std::size_t(changes);
            if (changes == 0)
                break;
            progress(std::min(deleted, total), total);
        }
        deleteKey(key);
    });
}

void SqliteBackend::moveKey(const KeyPath& from, const KeyPath& to)
{
    const Action action{"move", &from};
    registry::requireWritable(m_location, action, to);
    requireWritable(action);
    const Text fromPath = pathKey(from, from.size());
    const Text toPath = pathKey(to, to.size());
    if (fromPath == toPath)
        return;
    transaction([&] {
        deleteKey(to);
        if (findKey(fromPath, action) == 0)
            return;
        sqlite3_int64 parent = 0;
        if (to.size() > 1) {
            ensureKey(KeyPath(to.begin(), to.end() - 1), action);
            parent = findKey(pathKey(to, to.size() - 1), action);
        }
        m_changeKeyIds.clear(); // paths change
        // The key and those below it take the new path in place of the old one's start. Paths
        // are kept as their code units' bytes, which SQL's text functions cannot join, so they
        // are made here; a store holds a handful of keys.
        const Text below = fromPath + u'\\';
        std::vector<std::pair<sqlite3_int64, Text>> moved;
        {
            Statement keys;
            prepare(keys, "SELECT id, path FROM keys");
            Use use(keys);
            int result;
            while ((result = use.step()) == SQLITE_ROW) {
                const TextView path = use.text(1);
                if (path == fromPath || path.substr(0, below.size()) == below)
                    moved.emplace_back(use.integer(0), toPath + Text(path.substr(fromPath.size())));
            }
            if (result != SQLITE_DONE)
                failLastError(action);
        }
        Statement move;
        prepare(move,
                "UPDATE keys SET path = ?2, name = CASE WHEN id = ?1 THEN ?3 ELSE name END, "
                "parent = CASE WHEN id = ?1 THEN ?4 ELSE parent END WHERE id = ?5");
        const sqlite3_int64 top = findKey(fromPath, action);
        for (const auto& [id, path] : moved) {
            Use use(move);
            use.bind(1, top);
            use.bind(2, path);
            use.bind(3, to.back());
            use.bind(4, parent);
            use.bind(5, id);
            expectDone(use, action);
        }
    });
}

void SqliteBackend::rollback(bool outermost) noexcept
{
    m_changeKeyIds.clear(); // keys made within it may be undone
    m_changeNextSeq.clear();
    // An error such as a full disk may already have rolled the whole transaction back.
    if (sqlite3_get_autocommit(m_db))
        return;
    sqlite3_exec(m_db, outermost ? "ROLLBACK" : "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
}

void SqliteBackend::transaction(const KeyPath&, const std::function<void()>& changes)
{
    transaction(changes);
}

void SqliteBackend::transaction(const std::function<void()>& changes)
{
    const bool outermost = m_depth == 0;
    const Action action{"begin a change"};
    // The outermost change takes the write lock at once, waiting for it as long as the busy
    // timeout allows, so that it never fails halfway for want of it.
    if (outermost) {
        m_changeWritable = m_writable();
        m_changeKeyIds.clear();
        m_changeNextSeq.clear();
    }
    execute(outermost ? (m_changeWritable ? "BEGIN IMMEDIATE" : "BEGIN") : "SAVEPOINT nested", action);
    ++m_depth;
    try {
        changes();
        --m_depth;
    } catch (...) {
        --m_depth;
        rollback(outermost);
        throw;
    }
    if (sqlite3_exec(m_db, outermost ? "COMMIT" : "RELEASE nested", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(m_db);
        Text detail(static_cast<const char16_t*>(sqlite3_errmsg16(m_db)));
        rollback(outermost);
        throw Error(m_location, {"commit a change"}, Error::Backend, code, std::move(detail));
    }
}

} // namespace host::registry
