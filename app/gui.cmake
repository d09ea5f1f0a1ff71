target_sources(zembra_gui PRIVATE
  menu_bar.cpp
  zembra_app.cpp
)

# The program itself is little more than main(): the windows live in zembra_gui.
add_executable(zembra main.cpp)
zembra_target_defaults(zembra)
target_link_libraries(zembra PRIVATE zembra_gui zembra_binding)
install(TARGETS zembra RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT app)
install(FILES zembra.desktop DESTINATION "${CMAKE_INSTALL_DATADIR}/applications" COMPONENT app)
install(FILES zembra.svg DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        COMPONENT app)

# Qt's signal and slot keywords stay out of the way of plain C++ names
# (the core's headers use "slots" as a field name).
target_compile_definitions(zembra_gui PUBLIC QT_NO_KEYWORDS)
