# SPDX-License-Identifier: GPL-3.0-or-later
# What makes the build faster without changing what it builds: a compiler cache when one is
# installed, and precompiled headers for the targets that include Qt's widget and test headers
# or GoogleTest in every file.

option(TREVAK_CCACHE "Compile through ccache when it is installed" ON)
option(TREVAK_PCH "Precompile the Qt and GoogleTest headers of the window and the test programs" ON)

if(TREVAK_CCACHE AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
  find_program(TREVAK_CCACHE_PROGRAM ccache)
  if(TREVAK_CCACHE_PROGRAM)
    # Without these sloppiness settings ccache refuses every file compiled with a precompiled
    # header and simply runs the compiler.
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env
        "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime"
        ${TREVAK_CCACHE_PROGRAM})
  endif()
endif()

# Headers that most files of a kind include; what a file uses it still includes itself, so the
# sources compile the same with TREVAK_PCH=OFF.
set(TREVAK_PCH_STANDARD <algorithm> <functional> <memory> <optional> <string> <string_view>
    <utility> <vector>)
set(TREVAK_PCH_WIDGETS <QAbstractButton> <QAction> <QApplication> <QFileInfo> <QLabel>
    <QLineEdit> <QMainWindow> <QMenu> <QMenuBar> <QPainter> <QPlainTextEdit> <QScrollArea>
    <QSplitter> <QString> <QTableView> <QTabWidget> <QToolButton> <QWidget>)

# trevak_precompile(TARGET KIND): KIND is WIDGETS (the window), WIDGET_TESTS, GUI_TESTS or
# CORE_TESTS.
function(trevak_precompile target kind)
  if(NOT TREVAK_PCH)
    return()
  endif()
  set(headers ${TREVAK_PCH_STANDARD})
  if(kind MATCHES "TESTS$")
    list(APPEND headers <gtest/gtest.h>)
  endif()
  if(kind MATCHES "^WIDGET")
    list(APPEND headers ${TREVAK_PCH_WIDGETS})
  endif()
  if(kind STREQUAL "WIDGET_TESTS")
    list(APPEND headers <QTest>)
  elseif(kind STREQUAL "GUI_TESTS")
    list(APPEND headers <QImage> <QPainter> <QString>)
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
