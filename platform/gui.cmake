target_sources(zembra_gui PRIVATE
  dialog_service.cpp
)
