target_sources(zembra_gui PRIVATE
  pool_list.cpp
  sample_drag.cpp
  track_list.cpp
  window_zembra.cpp
  window_zembra_commands.cpp
)
