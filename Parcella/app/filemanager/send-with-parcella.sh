#!/bin/sh
# Nautilus runs this in the current folder with the selected files as arguments.
exec parcella --send "$@"
