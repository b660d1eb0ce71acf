// Linked into every GoogleTest program that uses the scripted desktop services: their failures fail the
// running GoogleTest test.
#include <gtest/gtest.h>

#include "support/scripted_ui_services.h"

namespace {

const bool kInstalled = [] {
    yarvelin::CScriptedUiServices::SetFailureReporter(
        [](const QString& what) { ADD_FAILURE() << "scripted ui: " << what.toStdString(); });
    return true;
}();

}  // namespace
