#include "data/jet_sql.h"

#include <cctype>
#include <filesystem>

#include "data/db_error.h"
#include "data/key_value_list.h"
#include "data/text.h"
#include "data/value.h"

namespace vdimpexp::data::jet {
namespace {

[[noreturn]] void ThrowSyntax(const std::string& what) {
  throw DbError(error_number::kEngineFailure, what);
}

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return IsWordStart(c) || std::isdigit(c) || c == '$'; }

size_t ScanDelimited(std::string_view sql, size_t start, char close, bool doubled_escapes,
                     std::string_view what) {
  size_t pos = start + 1;
  while (pos < sql.size()) {
    if (sql[pos] == close) {
      if (doubled_escapes && pos + 1 < sql.size() && sql[pos + 1] == close) {
        pos += 2;
        continue;
      }
      return pos + 1;
    }
    ++pos;
  }
  ThrowSyntax("Syntax error: unterminated " + std::string(what) + " starting at " +
              std::string(sql.substr(start, 40)));
}

size_t ScanNumber(std::string_view sql, size_t pos) {
  auto digit = [&](size_t i) {
    return i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]));
  };
  while (digit(pos)) ++pos;
  if (pos < sql.size() && sql[pos] == '.') {
    ++pos;
    while (digit(pos)) ++pos;
  }
  if (pos < sql.size() && (sql[pos] == 'e' || sql[pos] == 'E')) {
    size_t exponent = pos + 1;
    if (exponent < sql.size() && (sql[exponent] == '+' || sql[exponent] == '-'))
      ++exponent;
    if (digit(exponent)) {
      pos = exponent;
      while (digit(pos)) ++pos;
    }
  }
  return pos;
}

// The statement's tokens without blanks, for reading its shape.
std::vector<const Token*> Significant(const std::vector<Token>& tokens) {
  std::vector<const Token*> result;
  for (const Token& token : tokens) {
    if (token.kind != TokenKind::kBlank) result.push_back(&token);
  }
  return result;
}

// The SQLite text of one token.
std::string TranslateToken(const Token& token) {
  switch (token.kind) {
    case TokenKind::kDate: {
      std::optional<Date> date = Date::Parse(token.Content());
      if (!date) {
        ThrowSyntax("Syntax error in date in query expression '" +
                    std::string(token.text) + "'");
      }
      return SqlQuoted(date->ToIso());
    }
    case TokenKind::kString:
      return token.text[0] == '"' ? SqlQuoted(token.Content()) : std::string(token.text);
    case TokenKind::kWord:
      if (token.IsWord("TRUE")) return "1";
      if (token.IsWord("FALSE")) return "0";
      return std::string(token.text);
    default:
      return std::string(token.text);
  }
}

std::string TranslateRange(const std::vector<Token>& tokens, size_t begin, size_t end) {
  std::string sql;
  for (size_t i = begin; i < end; ++i) {
    const std::string piece = TranslateToken(tokens[i]);
    // Jet has no comments: "5--3" subtracts minus three, where SQLite would
    // read the rest of the statement as a comment.
    if (!sql.empty() && sql.back() == '-' && piece.front() == '-') sql += ' ';
    sql += piece;
  }
  return sql;
}

// Index in `tokens` of the first top-level word `keyword` at or after `from`.
std::optional<size_t> FindTopLevelWord(const std::vector<Token>& tokens, size_t from,
                                       std::string_view keyword) {
  int depth = 0;
  for (size_t i = from; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol('(')) ++depth;
    if (tokens[i].IsSymbol(')')) --depth;
    if (depth == 0 && tokens[i].IsWord(keyword)) return i;
  }
  return std::nullopt;
}

size_t SkipBlanks(const std::vector<Token>& tokens, size_t i) {
  while (i < tokens.size() && tokens[i].kind == TokenKind::kBlank) ++i;
  return i;
}

bool IsSchemaName(std::string_view qualifier) {
  return EqualsIgnoringCase(qualifier, "main") || EqualsIgnoringCase(qualifier, "temp");
}

// A database named in "[file].[table]" without an extension is an ".mdb"
// file, as Jet reads the name; the folder may hold a "." of its own. A name
// whose last "." is part of the file's name ("shop.2024" for the chosen
// "shop.2024.mdb") means the ".mdb" file when only that one exists.
std::string WithDatabaseExtension(const std::string& path) {
  size_t name_start = path.find_last_of("/\\");
  name_start = name_start == std::string::npos ? 0 : name_start + 1;
  std::string with_extension = path + ".mdb";
  if (path.find('.', name_start) == std::string::npos) return with_extension;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) &&
      std::filesystem::is_regular_file(with_extension, ec)) {
    return with_extension;
  }
  return path;
}

Target QualifiedTarget(const std::string& qualifier, std::string table) {
  Target target;
  target.table = std::move(table);
  if (qualifier.find(';') != std::string::npos) {
    target.kind = Target::Kind::kExternal;
    std::vector<KeyValue> items = SplitKeyValueList(qualifier);
    for (const KeyValue& item : items) {
      if (item.key.empty() && target.external.connect_type.empty()) {
        target.external.connect_type = item.value;
      } else if (!item.key.empty()) {
        target.external.properties[item.key] = item.value;
      }
    }
    target.external.database = FindValue(items, "Database").value_or("");
    target.external.table = target.table;
  } else {
    target.kind = Target::Kind::kDatabaseFile;
    target.database_file = WithDatabaseExtension(qualifier);
  }
  return target;
}

// Reads `name` or `qualifier.name` starting at tokens[i]; moves i past it.
Target ReadTableReference(const std::vector<Token>& tokens, size_t& i,
                          std::string_view context) {
  i = SkipBlanks(tokens, i);
  if (i >= tokens.size() || !tokens[i].IsName()) {
    ThrowSyntax("Syntax error: a table name must follow " + std::string(context));
  }
  std::string first = tokens[i].Content();
  size_t next = SkipBlanks(tokens, i + 1);
  if (next < tokens.size() && tokens[next].IsSymbol('.')) {
    size_t second = SkipBlanks(tokens, next + 1);
    if (second < tokens.size() && tokens[second].IsName()) {
      i = second + 1;
      if (IsSchemaName(first)) {
        Target target;
        target.table = tokens[second].Content();
        return target;
      }
      return QualifiedTarget(first, tokens[second].Content());
    }
  }
  i = i + 1;
  Target target;
  target.table = std::move(first);
  return target;
}

Statement TranslateSelectInto(const std::vector<Token>& tokens, size_t into) {
  size_t i = into + 1;
  Statement statement;
  statement.kind = Statement::Kind::kSelectInto;
  statement.target = ReadTableReference(tokens, i, "INTO");
  i = SkipBlanks(tokens, i);
  if (i < tokens.size() && tokens[i].IsWord("IN")) {
    i = SkipBlanks(tokens, i + 1);
    if (i >= tokens.size() || tokens[i].kind != TokenKind::kString) {
      ThrowSyntax("Syntax error: a quoted database file must follow IN");
    }
    if (statement.target.kind != Target::Kind::kLocalTable) {
      ThrowSyntax("Syntax error: IN after a qualified target " + statement.target.table);
    }
    statement.target.kind = Target::Kind::kDatabaseFile;
    statement.target.database_file = tokens[i].Content();
    ++i;
  }
  i = SkipBlanks(tokens, i);
  if (i >= tokens.size() || !tokens[i].IsWord("FROM")) {
    ThrowSyntax("Syntax error: FROM must follow the INTO target " +
                statement.target.table);
  }
  statement.sql =
      TranslateRange(tokens, 0, into) + " " + TranslateRange(tokens, i, tokens.size());
  return statement;
}

Statement TranslateDropTable(const std::vector<Token>& tokens, size_t table_start) {
  size_t i = table_start;
  Target target = ReadTableReference(tokens, i, "DROP TABLE");
  if (target.kind == Target::Kind::kLocalTable) {
    return {Statement::Kind::kPlain, TranslateRange(tokens, 0, tokens.size()), {}};
  }
  if (target.kind == Target::Kind::kExternal) {
    ThrowSyntax("DROP TABLE cannot remove a table of an external file: " + target.table);
  }
  return {Statement::Kind::kDropTable, {}, std::move(target)};
}

// "DELETE * FROM t" and "DELETE t.* FROM t": SQLite takes no column list.
std::string TranslateDelete(const std::vector<Token>& tokens, size_t delete_at) {
  std::optional<size_t> from = FindTopLevelWord(tokens, delete_at + 1, "FROM");
  if (!from) return TranslateRange(tokens, 0, tokens.size());
  return TranslateRange(tokens, 0, delete_at + 1) + " " +
         TranslateRange(tokens, *from, tokens.size());
}

// Drops one trailing ";" (and blanks); anything after it is a second statement.
void DropTerminator(std::vector<Token>& tokens) {
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (!tokens[i].IsSymbol(';')) continue;
    for (size_t j = i + 1; j < tokens.size(); ++j) {
      if (tokens[j].kind != TokenKind::kBlank) {
        ThrowSyntax("Characters found after end of SQL statement.");
      }
    }
    tokens.resize(i);
    return;
  }
}

// The name when the tokens of a statement are a table name and nothing else.
std::optional<std::string> BareTableNameOf(const std::vector<const Token*>& words) {
  if (words.size() == 1 && words[0]->IsName()) return words[0]->Content();
  return std::nullopt;
}

}  // namespace

std::string Token::Content() const {
  switch (kind) {
    case TokenKind::kName:
    case TokenKind::kDate:
      return std::string(text.substr(1, text.size() - 2));
    case TokenKind::kString: {
      char quote = text[0];
      std::string content;
      for (size_t i = 1; i + 1 < text.size(); ++i) {
        content += text[i];
        if (text[i] == quote) ++i;  // a doubled quote stands for one
      }
      return content;
    }
    default:
      return std::string(text);
  }
}

bool Token::IsWord(std::string_view keyword) const {
  return kind == TokenKind::kWord && EqualsIgnoringCase(text, keyword);
}

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  size_t pos = 0;
  while (pos < sql.size()) {
    unsigned char c = sql[pos];
    size_t end = pos + 1;
    TokenKind kind = TokenKind::kSymbol;
    if (std::isspace(c)) {
      kind = TokenKind::kBlank;
      while (end < sql.size() && std::isspace(static_cast<unsigned char>(sql[end])))
        ++end;
    } else if (c == '[') {
      kind = TokenKind::kName;
      end = ScanDelimited(sql, pos, ']', false, "name");
    } else if (c == '`') {
      kind = TokenKind::kName;
      end = ScanDelimited(sql, pos, '`', false, "name");
    } else if (c == '\'' || c == '"') {
      kind = TokenKind::kString;
      end = ScanDelimited(sql, pos, static_cast<char>(c), true, "text");
    } else if (c == '#') {
      kind = TokenKind::kDate;
      end = ScanDelimited(sql, pos, '#', false, "date");
    } else if (std::isdigit(c) ||
               (c == '.' && pos + 1 < sql.size() &&
                std::isdigit(static_cast<unsigned char>(sql[pos + 1])))) {
      kind = TokenKind::kNumber;
      end = ScanNumber(sql, pos);
    } else if (IsWordStart(c)) {
      kind = TokenKind::kWord;
      while (end < sql.size() && IsWordPart(static_cast<unsigned char>(sql[end]))) ++end;
    }
    tokens.push_back({kind, sql.substr(pos, end - pos)});
    pos = end;
  }
  return tokens;
}

std::string ReplaceOutsideStrings(std::string_view sql, std::string_view pattern,
                                  std::string_view replacement) {
  std::string result;
  auto replace_in = [&](std::string_view stretch) {
    size_t start = 0;
    for (size_t found; (found = stretch.find(pattern, start)) != std::string_view::npos;
         start = found + pattern.size()) {
      result.append(stretch.substr(start, found - start)).append(replacement);
    }
    result.append(stretch.substr(start));
  };
  size_t stretch_start = 0;
  for (const Token& token : Tokenize(sql)) {
    if (token.kind != TokenKind::kString) continue;
    const size_t literal_start = static_cast<size_t>(token.text.data() - sql.data());
    replace_in(sql.substr(stretch_start, literal_start - stretch_start));
    result.append(token.text);
    stretch_start = literal_start + token.text.size();
  }
  replace_in(sql.substr(stretch_start));
  return result;
}

std::optional<std::string> BareTableName(std::string_view command_text) {
  std::vector<Token> tokens = Tokenize(command_text);
  DropTerminator(tokens);
  return BareTableNameOf(Significant(tokens));
}

Statement Translate(std::string_view jet_sql) {
  std::vector<Token> tokens = Tokenize(jet_sql);
  DropTerminator(tokens);
  std::vector<const Token*> words = Significant(tokens);
  if (std::optional<std::string> table = BareTableNameOf(words)) {
    return {Statement::Kind::kPlain, "SELECT * FROM " + SqliteName(*table), {}};
  }
  if (words.empty()) ThrowSyntax("Empty SQL statement.");
  size_t first = SkipBlanks(tokens, 0);
  if (tokens[first].IsWord("SELECT")) {
    std::optional<size_t> into = FindTopLevelWord(tokens, first, "INTO");
    std::optional<size_t> from = FindTopLevelWord(tokens, first, "FROM");
    if (into && (!from || *into < *from)) return TranslateSelectInto(tokens, *into);
  } else if (tokens[first].IsWord("DELETE")) {
    return {Statement::Kind::kPlain, TranslateDelete(tokens, first), {}};
  } else if (tokens[first].IsWord("DROP") && words.size() > 1 &&
             words[1]->IsWord("TABLE")) {
    size_t table_word = SkipBlanks(tokens, first + 1);
    return TranslateDropTable(tokens, table_word + 1);
  }
  return {Statement::Kind::kPlain, TranslateRange(tokens, 0, tokens.size()), {}};
}

}  // namespace vdimpexp::data::jet
