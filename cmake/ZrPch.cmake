# Precompiled Qt headers. A precompiled header only serves a translation
# unit whose definitions include the ones it was made with (and agree on
# those the headers test), so there is one per kind of target, each compiled
# once and reused (REUSE_FROM) by every target of its kind:
#   product     the rooms' core libraries and programs (QT_NO_CAST_*)
#   product_ui  the rooms' widget layers (zr_X_ui, zr_app)
#   tests       suites (QtTest)          tests_ui  suites with GUI
#   plain       tools, benchmarks, test helpers
# zr_use_pch() at the end of the top-level CMakeLists gives every target its
# kind's header; a target says which it is with the ZR_PCH property (the
# default is plain; the rooms and zr_add_test set theirs).
option(ZRVU_PCH "Precompile the Qt headers" ON)

set(ZR_PCH_CORE
    <QtCore/QObject> <QtCore/QString> <QtCore/QStringList> <QtCore/QByteArray> <QtCore/QList>
    <QtCore/QVector> <QtCore/QMap> <QtCore/QHash> <QtCore/QSet> <QtCore/QVariant>
    <QtCore/QCoreApplication> <QtCore/QThread> <QtCore/QMutex> <QtCore/QTimer>
    <QtCore/QElapsedTimer> <QtCore/QDateTime> <QtCore/QDir> <QtCore/QFile> <QtCore/QFileInfo>
    <QtCore/QSettings> <QtCore/QTextCodec> <QtCore/QDebug> <QtCore/QPointer> <QtCore/QEventLoop>)
set(ZR_PCH_WIDGETS
    <QtWidgets/QApplication> <QtWidgets/QWidget> <QtWidgets/QDialog> <QtWidgets/QMessageBox>
    <QtWidgets/QPushButton> <QtWidgets/QLabel> <QtWidgets/QLineEdit> <QtWidgets/QCheckBox>
    <QtWidgets/QBoxLayout> <QtWidgets/QTreeWidget> <QtWidgets/QHeaderView> <QtWidgets/QFileDialog>)

function(zr_pch_owner kind)
    set(owner zr_pch_${kind})
    add_library(${owner} OBJECT ${PROJECT_SOURCE_DIR}/cmake/pch/pch.cpp)
    set_target_properties(${owner} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
    set(headers ${ZR_PCH_CORE})
    target_link_libraries(${owner} PRIVATE zr_common Qt5::Core)
    if(kind MATCHES "_ui$")
        list(APPEND headers ${ZR_PCH_WIDGETS})
        target_link_libraries(${owner} PRIVATE Qt5::Gui Qt5::Widgets)
    endif()
    if(kind MATCHES "^tests")
        # What <QtTest> brings, less the parts that depend on which Qt
        # modules a suite links (qtest.h tests QT_GUI_LIB, QT_NETWORK_LIB...).
        list(APPEND headers <QtCore/QtCore> <QtTest/qtestcase.h> <QtTest/qtestdata.h> <QtTest/qsignalspy.h>)
        target_link_libraries(${owner} PRIVATE Qt5::Test)
    endif()
    if(kind MATCHES "^product")
        target_compile_definitions(${owner} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII)
    endif()
    target_precompile_headers(${owner} PRIVATE ${headers})
endfunction()

function(zr_use_pch_in dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(STATIC_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$" OR target MATCHES "^zr_pch_")
            continue()
        endif()
        get_target_property(kind ${target} ZR_PCH)
        if(NOT kind)
            set(kind plain)
        endif()
        if(NOT TARGET zr_pch_${kind})
            zr_pch_owner(${kind})
        endif()
        target_precompile_headers(${target} REUSE_FROM zr_pch_${kind})
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir ${subdirs})
        zr_use_pch_in(${subdir})
    endforeach()
endfunction()

function(zr_use_pch)
    if(ZRVU_PCH)
        zr_use_pch_in(${PROJECT_SOURCE_DIR})
    endif()
endfunction()
