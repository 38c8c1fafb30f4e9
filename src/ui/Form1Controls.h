#pragma once

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// The controls of the main window, under the names the rest of the program
// knows them by. Each is placed at a fixed position in twips (1/1440 inch, 15 to
// a pixel at 96 dots per inch), scaled with the screen's logical resolution; no
// layout moves them when the window is resized.
struct Form1Controls {
    QGroupBox* Frame1;   // the log file
    QPushButton* Command1; // choose the log file
    QLabel* Label1;      // the chosen path, and the only place it is kept
    QGroupBox* Frame3;   // Rcv filter
    QLineEdit* Text1;
    QGroupBox* Frame4;   // Band filter
    QLineEdit* Text2;
    QGroupBox* Frame5;   // Mode filter
    QLineEdit* Text3;
    QPushButton* Command3; // Exit
    QPushButton* Command4; // Extract
    QLabel* Label5;      // credit line
    QGroupBox* Frame6;   // rows selected
    QLabel* Label4;
    QGroupBox* Frame7;   // records read
    QLabel* Label3;

    // Sizes `form` and creates every control on it, with texts, fonts, tooltips
    // and the keyboard order Command1, Text1, Text2, Text3, Command3, Command4.
    static Form1Controls Create(QWidget& form);
};
