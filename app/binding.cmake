# The application's side of the compression plug-in: loads it through the
# host runtime and binds CompressZLibKRO by its declaration.
add_library(zembra_binding STATIC "${CMAKE_CURRENT_LIST_DIR}/plugin_binding.cpp")
zembra_target_defaults(zembra_binding)
target_include_directories(zembra_binding PUBLIC "${CMAKE_SOURCE_DIR}")
target_link_libraries(zembra_binding PUBLIC zembra_runtime zembra_core)

# The installed plug-in's folder as seen from the installed program's folder.
get_property(zembra_plugin_dir GLOBAL PROPERTY ZEMBRA_PLUGIN_INSTALL_DIR)
file(RELATIVE_PATH zembra_plugin_from_program "/root/${CMAKE_INSTALL_BINDIR}"
     "/root/${zembra_plugin_dir}")
target_compile_definitions(zembra_binding PRIVATE
  ZEMBRA_PLUGIN_FROM_PROGRAM="${zembra_plugin_from_program}")
