#pragma once
// The licence agreement window: the agreement text, the check box that decides whether the
// setup may run, and the button that closes the window.

#include "basics/win32/form_kit.h"

namespace qs::win32 {

class Tlicence_agreement_form : public form_window {
public:
    explicit Tlicence_agreement_form(HINSTANCE instance);

    // Shows the window without owner and waits until it is closed, by its button or its close
    // box. True when the check box was ticked at that moment.
    bool show_modal();

protected:
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    void close_form();

    bool accepted_ = false;
    bool closed_ = false;
};

}  // namespace qs::win32
