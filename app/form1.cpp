#include "app/form1.h"

namespace orvanta {

namespace {
Form1* theShowForm = nullptr;
}

Form1* showForm() { return theShowForm; }
void setShowForm(Form1* form) { theShowForm = form; }

Form1::Form1() = default;

Form1::~Form1() {
    if (theShowForm == this) theShowForm = nullptr;
}

}  // namespace orvanta
