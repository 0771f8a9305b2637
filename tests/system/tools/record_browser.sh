#!/bin/sh
# Stands in for the web browser of a test prefix: Wine's winebrowser runs it with the address
# or file URL that the program asked to open. One line per request, in the prefix's own log.
log=${WINEPREFIX:-/tmp}/qar_browser.log
printf '%s\n' "$*" >>"$log"
