#pragma once

#include <QString>
#include <ibase.h>
#include <memory>

// The Firebird client library, loaded once at run time and bound by entry-point
// name. Every data-access component checks it on creation.
class ClientLibrary {
 public:
  // The loaded library; loads it on first use. Raises EIBClientError with the
  // library-not-found text when it cannot be loaded, or naming a missing
  // entry point.
  static const ClientLibrary& get();
  // Loads without raising; true when the library is usable.
  static bool tryLoad();
  // Raises like get() when the library is not usable.
  static void check() { get(); }
  // 6 when the library offers the services API, otherwise 5.
  static int version();

  // The file to load; by default $VELTON_FBCLIENT or "libfbclient.so.2".
  // Setting it forgets an earlier load, so the next use loads anew.
  static void setLibraryName(const QString& fileName);
  static QString libraryName();

  // Entry points (the services ones are null in a version 5 library).
#define VELTON_FB_ENTRY(name) decltype(&::name) name = nullptr;
  VELTON_FB_ENTRY(isc_attach_database)
  VELTON_FB_ENTRY(isc_detach_database)
  VELTON_FB_ENTRY(isc_start_multiple)
  VELTON_FB_ENTRY(isc_commit_transaction)
  VELTON_FB_ENTRY(isc_rollback_transaction)
  VELTON_FB_ENTRY(isc_dsql_allocate_statement)
  VELTON_FB_ENTRY(isc_dsql_prepare)
  VELTON_FB_ENTRY(isc_dsql_describe)
  VELTON_FB_ENTRY(isc_dsql_describe_bind)
  VELTON_FB_ENTRY(isc_dsql_execute)
  VELTON_FB_ENTRY(isc_dsql_execute2)
  VELTON_FB_ENTRY(isc_dsql_fetch)
  VELTON_FB_ENTRY(isc_dsql_free_statement)
  VELTON_FB_ENTRY(isc_dsql_sql_info)
  VELTON_FB_ENTRY(isc_dsql_execute_immediate)
  VELTON_FB_ENTRY(isc_open_blob2)
  VELTON_FB_ENTRY(isc_create_blob2)
  VELTON_FB_ENTRY(isc_get_segment)
  VELTON_FB_ENTRY(isc_put_segment)
  VELTON_FB_ENTRY(isc_close_blob)
  VELTON_FB_ENTRY(isc_sqlcode)
  VELTON_FB_ENTRY(fb_interpret)
  VELTON_FB_ENTRY(fb_ping)
  VELTON_FB_ENTRY(isc_service_attach)
  VELTON_FB_ENTRY(isc_service_detach)
  VELTON_FB_ENTRY(isc_service_start)
  VELTON_FB_ENTRY(isc_service_query)
#undef VELTON_FB_ENTRY

  bool hasServices() const { return isc_service_attach && isc_service_detach && isc_service_start && isc_service_query; }

  // Whether an error status says that the connection to the server is gone
  // (a network error, a connection or database shut down).
  static bool meansConnectionLost(const ISC_STATUS* status);

  // Raises EIBError for a status vector holding an error.
  void raise(const ISC_STATUS* status) const;
  // Raises when status[1] is not zero.
  void checkStatus(const ISC_STATUS* status) const {
    if (status[0] == 1 && status[1] != 0) raise(status);
  }

 private:
  friend struct ClientLibraryLoader;
  friend struct std::default_delete<ClientLibrary>;
  ClientLibrary() = default;
  ~ClientLibrary() = default;
};

// Shorthand used inside the layer.
inline const ClientLibrary& fb() { return ClientLibrary::get(); }
