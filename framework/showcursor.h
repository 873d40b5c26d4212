#pragma once
// The mouse cursor of the application: hidden for the show, shown again for
// a notice and at the end. Hiding twice is hiding once.
namespace orvanta {

class ShowCursor {
public:
    void hide();
    void show();
    bool hidden() const { return hidden_; }

private:
    bool hidden_ = false;
};

}  // namespace orvanta
