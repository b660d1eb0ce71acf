#include "cli/feed_output_options.h"

#include <CLI/CLI.hpp>

namespace yarvelin::cli {

void CFeedOutputOptions::Configure(CLI::App& command) {
    command.add_flag("--basic", basic, "write only the seven basic columns");
    CLI::Option* headers =
        command.add_flag("--headers", choices.includeHeaders, "write the four extended-format header lines");
    command.add_flag("--html-escaped", choices.htmlEscaped, "with --headers: html_escaped=YES")
        ->needs(headers);
    command
        .add_flag("--partial", choices.updatesOnly,
                  "with --headers: updates_only=YES (the file holds only changed products)")
        ->needs(headers);
    command.add_flag("--quoted", choices.quoted, "with --headers: quoted=YES")->needs(headers);
}

}  // namespace yarvelin::cli
