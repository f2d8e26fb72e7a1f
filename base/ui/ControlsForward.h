#pragma once
// The control classes window headers hold pointers to, declared once so a
// header names its controls without pulling in every widget header.
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSlider;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class TRadioGroup;
class TUpDown;
