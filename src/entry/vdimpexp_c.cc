// The C interface over clsVDImportExportWz: no C++ exception crosses it.
#include <QApplication>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "data/connection.h"
#include "data/db_error.h"
#include "entry/import_export_wizard.h"
#include "entry/vdimpexp.h"

struct vdimpexp_connection {
  explicit vdimpexp_connection(const std::string& connection_string)
      : connection(connection_string) {}
  vdimpexp::data::Connection connection;
};

namespace {

thread_local int32_t last_error_number = 0;
thread_local std::string last_error_message;

// Hosts without a toolkit of their own get one application object for the
// life of the process. It is never destroyed: the host may call again at
// any time, and tearing it down during exit would race the host's own exit.
void EnsureApplication() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "vdimpexp";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

template <typename Call>
vdimpexp_status Guard(Call call) {
  last_error_number = 0;
  last_error_message.clear();
  try {
    call();
    return VDIMPEXP_OK;
  } catch (const vdimpexp::data::DbError& error) {
    last_error_number = error.number();
    last_error_message = error.description();
  } catch (const std::exception& error) {
    last_error_number = vdimpexp::data::error_number::kEngineFailure;
    last_error_message = error.what();
  } catch (...) {
    last_error_number = vdimpexp::data::error_number::kEngineFailure;
    last_error_message = "Unknown error.";
  }
  return VDIMPEXP_FAILED;
}

void RequireConnection(const vdimpexp_connection* connection) {
  if (!connection) {
    throw vdimpexp::data::DbError(vdimpexp::data::error_number::kInvalidOperation,
                                  "No connection was given.");
  }
}

}  // namespace

extern "C" {

vdimpexp_status vdimpexp_open_connection(const char* connection_string,
                                         vdimpexp_connection** connection) {
  return Guard([&] {
    if (!connection_string || !connection) {
      throw vdimpexp::data::DbError(vdimpexp::data::error_number::kInvalidOperation,
                                    "No connection string or result place was given.");
    }
    *connection = nullptr;
    *connection = new vdimpexp_connection(connection_string);
  });
}

void vdimpexp_close_connection(vdimpexp_connection* connection) { delete connection; }

vdimpexp_status vdimpexp_import_data(vdimpexp_connection* connection) {
  return Guard([&] {
    RequireConnection(connection);
    EnsureApplication();
    vdimpexp::clsVDImportExportWz().ImportData(connection->connection);
  });
}

vdimpexp_status vdimpexp_export_data(vdimpexp_connection* connection) {
  return Guard([&] {
    RequireConnection(connection);
    EnsureApplication();
    vdimpexp::clsVDImportExportWz().ExportData(connection->connection);
  });
}

vdimpexp_status vdimpexp_sql_selected(vdimpexp_connection* connection,
                                      char** selection_sql, int16_t* sql_cat) {
  return Guard([&] {
    RequireConnection(connection);
    if (!selection_sql || !sql_cat) {
      throw vdimpexp::data::DbError(vdimpexp::data::error_number::kInvalidOperation,
                                    "No place for the selection was given.");
    }
    EnsureApplication();
    std::string sql;
    int16_t category = 0;
    vdimpexp::clsVDImportExportWz().SQLSelected(connection->connection, sql, category);
    char* copy = static_cast<char*>(std::malloc(sql.size() + 1));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, sql.c_str(), sql.size() + 1);
    *selection_sql = copy;
    *sql_cat = category;
  });
}

void vdimpexp_free_string(char* text) { std::free(text); }

int32_t vdimpexp_last_error_number(void) { return last_error_number; }

const char* vdimpexp_last_error_message(void) { return last_error_message.c_str(); }

const char* vdimpexp_version(void) { return vdimpexp::ComponentVersion().data(); }

}  // extern "C"
