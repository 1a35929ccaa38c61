#include "converter/oracle_converter_impl.h"

#include "TK/tk_logger.h"
#include "converter/mysql_converter_impl.h"

oracle_converter_impl::oracle_converter_impl() {
    tk_log(2, "oracle_converter_impl::ctor");
}

oracle_converter_impl::~oracle_converter_impl() {
    tk_log(2, "oracle_converter_impl::dtor");
    source_db.reset();
    service_name.clear();
    oracle_user.clear();
    oracle_password.clear();
    oracle_host.clear();
    oracle_port.clear();
}

void oracle_converter_impl::store_oracle_settings(const std::wstring& host,
                                                  const std::wstring& user,
                                                  const std::wstring& password,
                                                  const std::wstring& port) {
    // The password never reaches the trace log.
    tk_wlog(2, L"oracle_converter_impl::store_oracle_settings(%s,%s,%S,%s)", host.c_str(),
            user.c_str(), k_password_mask, port.c_str());
    oracle_host = host;
    oracle_user = user;
    oracle_password = password;
    oracle_port = port;
}

std::wstring oracle_converter_impl::connect_oracle_server(const std::wstring& service) {
    tk_wlog(2, L"oracle_converter_impl::connect_oracle_server(%s)", service.c_str());
    if (source_db) {
        tk_log(2, "Delete previous initialization of ora_base...");
        source_db.reset();
        tk_log(2, "done");
    }
    source_db =
        oracle_engine.open_db(oracle_host, oracle_user, oracle_password, oracle_port, service);
    service_name = service;
    return service_name;
}
