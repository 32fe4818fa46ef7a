// What the desktop draws over a finished frame and never into a capture: the
// viewer's line and the maker's timeline. Positions are pixels of the show's
// 1280x720 picture, from its upper left corner, whatever the window's size.
#pragma once

// Starts drawing over the frame: no depth test, the eye's own space. Returns
// 1, or 0 when the glyph picture cannot be had (nothing is then drawn).
int overlayBegin();

// A filled box, opaque, in colour r g b (0 to 1).
void overlayBox(double leftPx, double topPx, double widthPx, double heightPx, float r, float g,
                float b);

// A line of text, its letters heightPx tall and half as wide, in colour r g
// b; characters outside printable ASCII show as '?'. Returns the x just past
// its last letter.
double overlayText(const char* text, double leftPx, double topPx, double heightPx, float r,
                   float g, float b);

// The width a text of `characters` letters heightPx tall takes.
double overlayTextWidth(int characters, double heightPx);

// Puts back the GL state the frame left.
void overlayEnd();
