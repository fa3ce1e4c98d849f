# End-to-end tests of tavelin.exe under Wine + Xvfb; they expect the environment of tools/with-wine.
