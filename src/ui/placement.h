// Remembering window size and position between runs, and the default position of dialogs.
#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace ui {

// The placement section of a window class: the class name, "_Placement", and the
// screen's logical resolution when that is above 96 pixels per inch.
QString PlacementSectionName(const QString& className, int logicalDpi);

// Pulls a stored rectangle back onto a smaller screen: when its right (bottom) edge lies
// past the screen's width (height) it moves left (up) so that the edge meets the screen's.
QRect PullBackOntoScreen(const QRect& stored, int screenWidth, int screenHeight);

// The class name used for a window's section: its meta-object class name without namespaces.
QString WindowClassName(const QWidget* window);

// The window that dialogs centre over when it is not maximised.
void SetMainForm(QWidget* mainForm);
QWidget* MainForm();

// These use the logical resolution of the window's screen; the overloads take it as given.
void SaveFormPlacement(QWidget* window);
void RestoreFormPlacement(QWidget* window);
void SaveFormPlacement(QWidget* window, int logicalDpi);
void RestoreFormPlacement(QWidget* window, int logicalDpi);
void CenterFormDefault(QWidget* window);

}  // namespace ui
