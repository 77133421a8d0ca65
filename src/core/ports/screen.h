#pragma once
// What the window needs to know about the screen it is placed on, in twips.
namespace zelmar {

struct TwipsSize {
    int width = 0;
    int height = 0;
};

class Screen {
  public:
    virtual ~Screen() = default;
    virtual TwipsSize Size() const = 0;
    // How much the window's border and title bar add to its client area.
    virtual TwipsSize WindowDecoration() const = 0;
};

}  // namespace zelmar
