#include "tfrm_module.h"
#include "tool_application.h"

int main(int argc, char** argv) {
    ToolApplication app(argc, argv);
    // What escapes start-up is shown like a handler's exception; the tool then ends with 0.
    RunShowingErrors(
        [&] {
            TfrmModule window;
            window.show();
            app.exec();
        },
        &ShowErrorBox);
    return 0;
}
