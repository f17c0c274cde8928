#pragma once

class QWidget;

// Where the keyboard focus goes when a window takes input again after `last` lost it: back to
// `last` unless it is hidden or disabled now, else to the next control in tab order on the same
// page, else to the next one in the window. Null when there is none.
QWidget* FocusReturnTarget(QWidget* last);
