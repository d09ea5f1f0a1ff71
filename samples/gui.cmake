target_sources(zembra_gui PRIVATE
  window_vagflip.cpp
)
