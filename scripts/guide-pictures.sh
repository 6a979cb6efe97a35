#!/usr/bin/env bash
# Makes the pictures of the user guide: builds the x64 binaries, runs the
# guide's scripts (docs/guide/*.txt) and the showcase in the host simulator
# under Wine, takes the settings page's screenshot with the page test, and
# writes small PNGs into docs/images/.
set -euo pipefail
cd "$(dirname "$0")/.."
images=docs/images
shots=build/win64/guide-pictures
dir=build/win64/guide-wine
mkdir -p "$images"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 --target TavrelSim Tavrel page_tests >/dev/null

trap 'scripts/wine-session.sh stop "$dir" >/dev/null' EXIT
scripts/wine-session.sh start "$dir" win64 >/dev/null
export TAVREL_WINE_DIR=$dir
rm -rf "$shots" && mkdir -p "$shots"
dll="Z:$(realpath build/win64/plugin/server/Tavrel.dll)"
for script in docs/guide/*.txt examples/showcase.txt; do
  echo "guide-pictures: $script"
  scripts/wine-run.sh build/win64/tools/TavrelSim.exe --dll "$dll" \
    --snapshots "Z:$(realpath "$shots")" --script "Z:$(realpath "$script")" >/dev/null
done

# whole NAME: the simulator's picture as it is (the surface and the host);
# its PNG comes compressed. closeup NAME: strips 0 to 7 beside the display,
# knobs and keys, cut out with ImageMagick.
whole() { cp "$shots/$1.png" "$images/$1.png"; }
closeup() {
  convert "$shots/$1.png" \( -clone 0 -crop 328x510+0+0 \) \( -clone 0 -crop 357x510+1140+0 \) \
    -delete 0 +append +repage -strip "$images/$1.png"
}
whole guide-surface
whole showcase-recording
for name in guide-pickup-arrow guide-pickup-done guide-bank guide-recording guide-store; do closeup "$name"; done

# The settings page: the page test leaves page.bmp in its folder, and the
# page_screenshot test turns it into page.png.
ctest --preset win64 -R '^page(_screenshot)?$' --output-on-failure >/dev/null
convert build/win64/tests/win/page.png -strip -define png:compression-level=9 "$images/settings-page.png"
ls -l "$images"
