#include <memory>

#include "TK/tk_logger.h"
#include "TK/tk_signal_cleanup.h"
#include "agent/agent_console.h"
#include "converter/tabshift_convertor.h"

int agent_main(int argc, char** argv) {
    tk_logger logger(nullptr, false, 3, false);
    tk_install_signal_cleanup();
    console_error_handler handler;
    console_front_end front;
    int status = agent_ok;
    try {
        tabshift_convertor conv(converter_form::agent);
        if (argc < 2 || !parse_cmd_line(argc, argv)) fatal_console_message(k_usage_text);
        conv.connect_oracle_server(conv.m_source_name);
        if (conv.mysql_direct) conv.connect_mysql_server();
        conv.check_dest(conv.m_destination_name);
        conv();
        // The run reports its own errors and goes on; the status still tells that some were.
        if (conv.destination_refused())
            status = agent_not_run;
        else if (handler.reported > 0 || front.failures > 0 || front.missing > 0)
            status = agent_run_errors;
    } catch (const tk_exception& e) {
        handler.handle(e, false);
        status = agent_not_run;
    } catch (const std::exception& e) {
        fatal_console_message(e.what());
    }
    return status;
}
