# Lays the default prefs.cfg into a bin folder that has none; a player's own settings stay as they
# are. Run as: cmake -DFROM=<default prefs.cfg> -DTO=<bin/prefs.cfg> -P lay_prefs.cmake
if(NOT EXISTS "${TO}")
  file(COPY_FILE "${FROM}" "${TO}")
endif()
