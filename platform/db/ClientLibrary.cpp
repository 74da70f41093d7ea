#include "ClientLibrary.h"

#include <QStringDecoder>
#include <QStringList>
#include <dlfcn.h>
#include <memory>
#include <vector>

#include "DbErrors.h"
#include "os/Cp1251.h"

namespace {

const char kDefaultName[] = "libfbclient.so.2";

struct State {
  QString name;
  bool nameSet = false;
  bool tried = false;
  ClientLibrary* lib = nullptr;
  QString error;
  // Every instance loaded stays: handles and statements may still use it.
  std::vector<std::unique_ptr<ClientLibrary>> loaded;
};

State& state() {
  static State s;
  return s;
}

QString currentName() {
  State& s = state();
  if (s.nameSet) return s.name;
  const QByteArray env = qgetenv("VELTON_FBCLIENT");
  return env.isEmpty() ? QString::fromLatin1(kDefaultName) : QString::fromLocal8Bit(env);
}

// A line of the server's text. Names inside it come in the connection's code
// page, but file names and texts from before an attachment come as UTF-8:
// a line that is valid UTF-8 is taken as such.
QString serverText(const char* line) {
  const QByteArray bytes(line);
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text = utf8.decode(bytes);
  return utf8.hasError() ? Cp1251::decode(bytes) : text;
}

}  // namespace

// Only the layer itself creates the one instance.
struct ClientLibraryLoader {
  static ClientLibrary* load(QString& error) {
    void* h = dlopen(currentName().toLocal8Bit().constData(), RTLD_NOW | RTLD_GLOBAL);
    if (!h) {
      error = QStringLiteral("InterBase library gds32.dll not found in the path. Please install InterBase to use this functionality");
      return nullptr;
    }
    auto* lib = new ClientLibrary();
    QStringList missing;
    auto bind = [&](auto& fn, const char* name, bool required) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(h, name));
      if (!fn && required) missing << QString::fromLatin1(name);
    };
#define REQUIRED(name) bind(lib->name, #name, true);
#define OPTIONAL(name) bind(lib->name, #name, false);
    REQUIRED(isc_attach_database)
    REQUIRED(isc_detach_database)
    REQUIRED(isc_start_multiple)
    REQUIRED(isc_commit_transaction)
    REQUIRED(isc_rollback_transaction)
    REQUIRED(isc_dsql_allocate_statement)
    REQUIRED(isc_dsql_prepare)
    REQUIRED(isc_dsql_describe)
    REQUIRED(isc_dsql_describe_bind)
    REQUIRED(isc_dsql_execute)
    REQUIRED(isc_dsql_execute2)
    REQUIRED(isc_dsql_fetch)
    REQUIRED(isc_dsql_free_statement)
    REQUIRED(isc_dsql_sql_info)
    REQUIRED(isc_dsql_execute_immediate)
    REQUIRED(isc_open_blob2)
    REQUIRED(isc_create_blob2)
    REQUIRED(isc_get_segment)
    REQUIRED(isc_put_segment)
    REQUIRED(isc_close_blob)
    REQUIRED(isc_sqlcode)
    REQUIRED(fb_interpret)
    OPTIONAL(fb_ping)
    OPTIONAL(isc_service_attach)
    OPTIONAL(isc_service_detach)
    OPTIONAL(isc_service_start)
    OPTIONAL(isc_service_query)
#undef REQUIRED
#undef OPTIONAL
    if (!missing.isEmpty()) {
      error = QStringLiteral("Entry point %1 not found in the client library %2")
                  .arg(missing.join(QStringLiteral(", ")), currentName());
      delete lib;
      return nullptr;
    }
    return lib;
  }
};

const ClientLibrary& ClientLibrary::get() {
  State& s = state();
  if (!s.tried) {
    s.tried = true;
    s.lib = ClientLibraryLoader::load(s.error);
    if (s.lib) s.loaded.emplace_back(s.lib);
  }
  if (!s.lib) throw EIBClientError(s.error);
  return *s.lib;
}

bool ClientLibrary::tryLoad() {
  try {
    get();
    return true;
  } catch (const EIBClientError&) {
    return false;
  }
}

int ClientLibrary::version() { return get().hasServices() ? 6 : 5; }

void ClientLibrary::setLibraryName(const QString& fileName) {
  State& s = state();
  s.name = fileName;
  s.nameSet = true;
  s.tried = false;
  s.lib = nullptr;
  s.error.clear();
}

QString ClientLibrary::libraryName() { return currentName(); }

void ClientLibrary::raise(const ISC_STATUS* status) const {
  const long sqlCode = isc_sqlcode(status);
  const long gdsCode = status[0] == 1 ? long(status[1]) : 0;
  QStringList lines;
  const ISC_STATUS* p = status;
  char buf[1024];
  while (fb_interpret(buf, sizeof buf, &p) > 0) lines << serverText(buf);
  if (lines.isEmpty()) lines << QStringLiteral("Unknown server error %1").arg(gdsCode);
  throw EIBError(lines.join(QLatin1Char('\n')), sqlCode, gdsCode);
}

bool ClientLibrary::meansConnectionLost(const ISC_STATUS* status) {
  if (status[0] != 1 || status[1] == 0) return false;
  // The codes of the vector: isc_arg_gds items, each followed by its code.
  for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
    const ISC_STATUS kind = *p++;
    const ISC_STATUS value = *p++;
    if (kind == isc_arg_gds) {
      switch (value) {
        case isc_network_error:
        case isc_net_read_err:
        case isc_net_write_err:
        case isc_lost_db_connection:
        case isc_att_shutdown:
        case isc_shutdown:
        case isc_conn_lost:
          return true;
        default:
          break;
      }
    } else if (kind == isc_arg_cstring) {
      ++p;  // a length, then the text
    }
  }
  return false;
}
