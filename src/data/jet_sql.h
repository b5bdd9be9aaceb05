// The Jet SQL dialect, translated onto SQLite by a tokenizer: the host and
// the wizards speak Jet ("#1/31/2001#" dates, "DELETE * FROM",
// "SELECT ... INTO target IN 'file'", "[file].[table]" and
// "[dBASE IV;Database=folder].[table]" targets); SQLite runs the result.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/external_target.h"

namespace vdimpexp::data::jet {

enum class TokenKind {
  kBlank,   // white space
  kWord,    // keyword or plain name
  kName,    // [bracketed] or `quoted` name
  kString,  // 'text' or "text"
  kNumber,
  kDate,    // #date#
  kSymbol,  // everything else, one character
};

struct Token {
  TokenKind kind;
  std::string_view text;  // as written, delimiters included

  // Names, strings and dates without their delimiters, escapes resolved.
  std::string Content() const;
  bool IsWord(std::string_view keyword) const;  // case-insensitive
  bool IsSymbol(char c) const { return kind == TokenKind::kSymbol && text[0] == c; }
  bool IsName() const { return kind == TokenKind::kWord || kind == TokenKind::kName; }
};

// Throws DbError for an unterminated string, name or date literal.
std::vector<Token> Tokenize(std::string_view sql);

// Where a SELECT ... INTO writes, or the table a qualified DROP TABLE names.
struct Target {
  enum class Kind {
    kLocalTable,    // a table of the connection's own database
    kDatabaseFile,  // a table of another database file (IN 'file', [file].[t])
    kExternal,      // a file written by a registered writer
  };
  Kind kind = Kind::kLocalTable;
  std::string table;
  std::string database_file;  // kDatabaseFile
  ExternalTarget external;    // kExternal
};

struct Statement {
  enum class Kind {
    kPlain,       // runs as it is: query or action
    kSelectInto,  // `sql` is the source query; `target` receives its rows
    kDropTable,   // drop `target.table` in `target.database_file`
  };
  Kind kind = Kind::kPlain;
  std::string sql;
  Target target;
};

// The table a command text names when it is nothing but a table name
// ("Contacts", "[Job Items]"); nullopt for any other statement.
std::optional<std::string> BareTableName(std::string_view command_text);

// `sql` with every `pattern` outside its string literals replaced, left to
// right: text a user typed into a literal is data, never statement text.
// Throws DbError for an unterminated literal.
std::string ReplaceOutsideStrings(std::string_view sql, std::string_view pattern,
                                  std::string_view replacement);

// Translates one Jet statement; a trailing ";" is allowed, a second
// statement is not. A bare table name reads the whole table. Throws
// DbError for malformed date literals and trailing statements.
Statement Translate(std::string_view jet_sql);

}  // namespace vdimpexp::data::jet
