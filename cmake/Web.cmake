# SPDX-FileCopyrightText: 2026 The Vusk sandwich developers
# SPDX-License-Identifier: GPL-3.0-or-later
# The game built for WebAssembly with Qt for WebAssembly and Emscripten (scripts/package-web.sh).
# Included before any target exists, so that every target gets these settings.

# The game is one program; the others are the rules' tests, run under node.
set(vusk_game "$<STREQUAL:$<TARGET_PROPERTY:NAME>,vusk-sandwich>")
set(vusk_not_game "$<NOT:${vusk_game}>")

# The player downloads every byte: the code is optimised for size, when compiled and once
# more by wasm-opt when the game is linked.
set(CMAKE_CXX_FLAGS_RELEASE "-Oz -DNDEBUG")
add_link_options("$<${vusk_game}:-Oz>")

# Every message box and file dialog runs a nested event loop (QDialog::exec()), which in a
# browser can only wait by suspending the WebAssembly stack back to the page. The tests
# open no dialog, and each links in seconds without it instead of two minutes.
add_link_options("$<${vusk_game}:-sASYNCIFY>")
# Asyncify instruments every function that may be on the stack when the program suspends,
# and takes any call through a pointer as one that may: most of the program, a quarter of
# its size. These never are: they never run a loop of events, and no dialog is opened
# from them. Patterns of function names as the link sees them.
set(vusk_asyncify_remove
  # Allocation calls the new-handler, and a message the message handler, through pointers
  # that could reach anything: otherwise every caller of either would be instrumented.
  "operator new*" "operator delete*" "malloc" "free" "calloc" "realloc" "memalign"
  "aligned_alloc" "posix_memalign" "dlmalloc" "dlfree" "dlrealloc" "dlcalloc" "dlmemalign"
  "internal_memalign" "sbrk" "emscripten_builtin_*"
  "QDebug::*" "QMessageLogger::*" "qt_message_output*" "qt_message_print*" "qt_message_fatal*"
  "qDefaultMessageHandler*" "qFormatLogMessage*" "QMessagePattern::*"
  # Type information: meta-objects, casts, meta-types and variants.
  "QMetaObject::cast*" "QMetaObject::inherits*" "*::metaObject() const"
  "*::qt_metacast(char const*)" "QMetaType::*" "QVariant::*"
  "QtPrivate::QMetaTypeForType*" "QtPrivate::QDebugStreamOperatorForType*"
  "QtPrivate::QEqualityOperatorForType*" "QtPrivate::QLessThanOperatorForType*"
  "QtPrivate::QDataStreamOperatorForType*" "QtPrivate::QMetaTypeInterfaceWrapper*"
  # The libraries Qt builds in: HarfBuzz, FreeType, PCRE2, libpng and zlib.
  "hb_*" "_hb_*" "OT::*" "AAT::*" "CFF::*" "graph::*"
  "FT_*" "ft_*" "tt_*" "TT_*" "cff_*" "ps_*" "t1_*" "T1_*" "af_*" "sfnt_*" "QT_FT_*" "qt_ft_*"
  "pcre2_*" "_pcre2_*" "png_*" "z_*" "inflate*" "deflate*"
  # Painting and images.
  "QPainter::*" "QPainterPrivate::*" "QPaintEngine*" "QRasterPaintEngine*" "QRasterizer*"
  "QSpanData*" "QClipData*" "QRasterBuffer*" "qt_blend*" "qt_fetch*" "qt_memfill*"
  "qt_memrotate*" "qt_scale*" "qt_transform*" "qt_bitmapblit*" "qt_alphamapblit*"
  "qt_alphargbblit*" "qt_rectfill*" "blend_*" "fetch*" "comp_func*" "convert*"
  "QImage::*" "QImageData::*" "QPixmap::*" "QPlatformPixmap*" "QRasterPlatformPixmap*"
  "QPainterPath*" "QStroker*" "QDashStroker*" "QStrokerOps*" "QBezier*" "QPolygon*"
  "QTransform*" "QRegion*" "QColor*" "QBrush*" "QPen*" "QGradient*" "QLinearGradient*"
  "QRadialGradient*" "QConicalGradient*" "QGradientCache*" "QOpenGL*" "QRhi*" "QShader*"
  # Text: layout, fonts, documents.
  "QTextEngine*" "QTextLayout*" "QTextLine*" "QTextItem*" "QFontEngine*" "QFreetypeFace*"
  "QTextureGlyphCache*" "QImageTextureGlyphCache*" "QFontMetrics*" "QFont::*" "QFontPrivate*"
  "QFontDatabase*" "QFontCache*" "QFreeTypeFontDatabase*" "QGlyph*"
  "QTextDocument*" "QTextCursor*" "QTextBlock*" "QTextFormat*" "QTextCharFormat*" "QTextHtml*"
  "QTextEdit*" "QPlainTextEdit*" "QPlainTextDocumentLayout*" "QCss*"
  # Strings, locales, dates and times, regular expressions, addresses, JSON and CBOR.
  "QString::*" "QStringView::*" "QByteArray::*" "QLatin1String*" "QLocale*" "QLocaleData*"
  "QUnicodeTables*" "QChar::*" "QDate::*" "QTime::*" "QDateTime::*" "QDateTimePrivate*"
  "QTimeZone*" "QCalendar*" "QRegularExpression*" "QUrl*" "QJson*" "QCbor*"
  # The styles: what they draw and measure.
  "QStyleOption*" "QCommonStyle::*" "QFusionStyle::*" "QWindowsStyle::*" "QProxyStyle::*"
  "qDrawShade*" "qDrawWinPanel*" "qDrawPlainRect*" "QStyleHelper*"
  # Hash tables, the C++ library's streams and locales, settings files, XML (the MIME
  # types), PNG, pictures, item models of items, and spin boxes, which the game never shows.
  "QHash*" "QHashPrivate::*" "QXmlStream*"
  "QConfFileSettingsPrivate::*" "QPngHandler*" "QPicture*" "QRgbaFloat*" "QStandardItem*"
  "QAbstractSpinBox*" "QSpinBox*" "QDoubleSpinBox*"
  "std::__2::time_get*" "std::__2::time_put*" "std::__2::num_get*" "std::__2::num_put*"
  "std::__2::__num_get*" "std::__2::__num_put*" "std::__2::money*" "std::__2::ctype*"
  "std::__2::numpunct*" "std::__2::moneypunct*" "std::__2::basic_streambuf*"
  "std::__2::basic_ostream*" "std::__2::basic_istream*" "std::__2::basic_stringbuf*"
  "std::__2::basic_ios*" "std::__2::ios_base*" "std::__2::locale*"
  "std::__2::istreambuf_iterator*" "std::__2::ostreambuf_iterator*"
  "std::__2::__sort*" "std::__2::__stable_sort*"
)
list(JOIN vusk_asyncify_remove "\",\"" vusk_asyncify_remove_json)
file(WRITE ${CMAKE_BINARY_DIR}/asyncify-remove.json "[\"${vusk_asyncify_remove_json}\"]\n")
add_link_options("$<${vusk_game}:-sASYNCIFY_REMOVE=@${CMAKE_BINARY_DIR}/asyncify-remove.json>")

# main() returns to the browser by a throw of "unwind" that nothing catches when the program
# was resumed by asyncify, and Qt's clipboard drops a promise that WebKit rejects:
# cmake/web-post.js catches both where they arise, so that no error shows in the console at
# every start.
set(vusk_web_post "${CMAKE_CURRENT_LIST_DIR}/web-post.js")
add_link_options("$<${vusk_game}:--post-js=${vusk_web_post}>")
cmake_language(DEFER CALL set_property TARGET vusk-sandwich APPEND PROPERTY LINK_DEPENDS "${vusk_web_post}")

# The program comes in two parts, so that a first visit waits for the start screen only:
# vusk-sandwich.wasm holds what the game runs from its start to playing in the main window
# (the functions recorded in web-start-functions.txt.gz, and those web-split-list.js adds),
# vusk-sandwich.deferred.wasm the rest (dialogs, message boxes, the ending), which the page
# fetches once the game shows (web-split.js). Binaryen's wasm-split splits the linked
# program by its functions' names, which the link keeps for it (--profiling-funcs) and the
# split leaves out. Built with
# VUSK_WEB_PROFILE, the game records the functions it runs instead of being split
# (tools/web-start-functions.sh makes the list from what it records).
option(VUSK_WEB_PROFILE "Link the game to record the functions it runs, not split" OFF)
# The list is kept gzipped (82 kB instead of 444 kB of generated names) and unpacked here.
set(vusk_start_functions_gz "${CMAKE_CURRENT_LIST_DIR}/web-start-functions.txt.gz")
set(vusk_start_functions "${CMAKE_BINARY_DIR}/web-start-functions.txt")
execute_process(COMMAND gzip -dc "${vusk_start_functions_gz}" OUTPUT_FILE "${vusk_start_functions}"
                COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${vusk_start_functions_gz}")
add_link_options("$<${vusk_game}:-sSPLIT_MODULE>" "$<${vusk_game}:--profiling-funcs>"
                 "$<${vusk_game}:-Wno-experimental>"
                 "$<${vusk_game}:--pre-js=${CMAKE_CURRENT_LIST_DIR}/web-split-pre.js>"
                 "$<${vusk_game}:--post-js=${CMAKE_CURRENT_LIST_DIR}/web-split.js>")
if(VUSK_WEB_PROFILE)
  add_link_options("$<${vusk_game}:--post-js=${CMAKE_CURRENT_LIST_DIR}/web-profile.js>")
endif()
function(vusk_web_split)
  find_program(VUSK_WASM_SPLIT wasm-split REQUIRED)
  set_property(TARGET vusk-sandwich APPEND PROPERTY LINK_DEPENDS
    "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/web-split-pre.js" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/web-split.js"
    "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/web-profile.js" "${vusk_start_functions}"
    "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/web-split-list.js" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/wasm-functions.js")
  if(VUSK_WEB_PROFILE)
    return()  # the link leaves the instrumented program as vusk-sandwich.wasm
  endif()
  # The link writes the whole program to vusk-sandwich.wasm.orig; the two parts replace the
  # instrumented one it leaves as vusk-sandwich.wasm. The first part keeps the recorded
  # functions and those a record can miss (web-split-list.js).
  find_program(VUSK_NODE node REQUIRED)
  set(out "$<TARGET_FILE_DIR:vusk-sandwich>/vusk-sandwich")
  set(keep "${CMAKE_BINARY_DIR}/web-first-part-functions.txt")
  add_custom_command(TARGET vusk-sandwich POST_BUILD
    COMMAND "${VUSK_NODE}" "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/web-split-list.js" "${out}.wasm.orig"
            "${vusk_start_functions}" "${keep}"
    COMMAND "${VUSK_WASM_SPLIT}" "${out}.wasm.orig" --enable-mutable-globals --export-prefix=%
            --placeholder-namespace=placeholder --import-namespace=primary
            "--keep-funcs=@${keep}"
            -o1 "${out}.wasm" -o2 "${out}.deferred.wasm"
    VERBATIM)
endfunction()
cmake_language(DEFER CALL vusk_web_split)

# The tests run under node (scripts/wasm-test.js): they hand their exit status to it and
# read and write the machine's own files. The game never ends its runtime, the page
# outlives it.
add_link_options("$<${vusk_not_game}:-sEXIT_RUNTIME=1>" "$<${vusk_not_game}:-sNODERAWFS=1>")

# Qt links every program with exceptions that cannot be caught (a throw ends the program),
# which is what the game wants. The tests check that the rules throw where they must, so
# they catch exceptions. As a link library the setting comes after Qt's own on the command
# line, and the last one given wins. So does the level of optimisation: the tests' code is
# compiled as the game's is, only wasm-opt's size passes are left out of their link.
function(vusk_web_test name)
  target_compile_options(${name} PRIVATE -fexceptions)
  target_link_libraries(${name} PRIVATE -fexceptions "-sDISABLE_EXCEPTION_CATCHING=0" -O1)
endfunction()

# Qt's style images, the icons of the file dialog and of the dialogs' buttons, are 0.33 MB of
# PNGs that no compression makes smaller: in the program they would be downloaded before
# the game could start, and the start screen shows none of them. So they are built from
# Qt's own source (VUSK_QT_SOURCE_DIR, which scripts/package-web.sh gives) into
# vusk-sandwich-style.rcc beside the program, and the page hands them to the game with the
# second part of the program (web-split.js, src/window/style_images_web.cpp). The macOS
# style's images, which no style of Qt for WebAssembly draws, are left out altogether.
# Without Qt's source the images stay in the program.
set(VUSK_QT_SOURCE_DIR "" CACHE PATH "Qt's source, for the style images kept beside the program")
function(vusk_web_style_images target)
  set(qt_widgets "${VUSK_QT_SOURCE_DIR}/src/widgets")
  if(NOT VUSK_QT_SOURCE_DIR OR NOT EXISTS "${qt_widgets}/CMakeLists.txt")
    message(STATUS "No Qt source given: the style images stay in the program")
    return()
  endif()
  # The images Qt's own build puts into the resource, and where: its list, read from its
  # CMakeLists.txt, under the prefix QCommonStyle looks in.
  file(READ "${qt_widgets}/CMakeLists.txt" qt_lists)
  string(REGEX MATCH "set\\(qstyle_resource_files([^)]*)\\)" block "${qt_lists}")
  string(REGEX MATCHALL "\"styles/[^\"]+\"" images "${CMAKE_MATCH_1}")
  string(REGEX MATCH "qt_internal_add_resource\\(Widgets \"qstyle\"[^)]*PREFIX[ \t\r\n]+\"([^\"]+)\"" block "${qt_lists}")
  set(prefix "${CMAKE_MATCH_1}")
  list(LENGTH images count)
  if(count LESS 100 OR NOT prefix)
    message(FATAL_ERROR "Qt's style images not found in ${qt_widgets}/CMakeLists.txt")
  endif()
  set(qrc "<RCC><qresource prefix=\"${prefix}\">\n")
  foreach(image IN LISTS images)
    string(REPLACE "\"" "" image "${image}")
    string(REGEX REPLACE "^styles/" "" alias "${image}")
    string(APPEND qrc "<file alias=\"${alias}\">${qt_widgets}/${image}</file>\n")
  endforeach()
  string(APPEND qrc "</qresource></RCC>\n")
  file(WRITE "${CMAKE_BINARY_DIR}/vusk-sandwich-style.qrc" "${qrc}")
  set(rcc "${CMAKE_BINARY_DIR}/vusk-sandwich-style.rcc")
  add_custom_command(OUTPUT "${rcc}"
    COMMAND Qt6::rcc --binary --no-compress "${CMAKE_BINARY_DIR}/vusk-sandwich-style.qrc" -o "${rcc}"
    DEPENDS "${CMAKE_BINARY_DIR}/vusk-sandwich-style.qrc"
    VERBATIM)
  add_custom_target(vusk_style_images ALL DEPENDS "${rcc}")
  add_dependencies(${target} vusk_style_images)
  # Qt's objects that would build the images in; QApplication's call to register them
  # finds the stand-in of style_images_web.cpp instead.
  set_property(TARGET Qt6::Widgets_resources_1 Qt6::Widgets_resources_2 PROPERTY IMPORTED_OBJECTS_RELEASE "")
  target_sources(${target} PRIVATE style_images_web.cpp)
endfunction()
