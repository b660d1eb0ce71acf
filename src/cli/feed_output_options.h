// The save page's choices as options, shared by every command that writes a feed file.
#pragma once

#include "feed/feed_line_format.h"

namespace CLI {
class App;
}

namespace yarvelin::cli {

struct CFeedOutputOptions {
    FeedHeaderChoices choices;
    bool basic = false;

    // --basic, --headers, and --html-escaped, --partial and --quoted, which set header values and so
    // need --headers.
    void Configure(CLI::App& command);
};

}  // namespace yarvelin::cli
