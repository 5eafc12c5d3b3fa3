#!/usr/bin/env bash
# Brings translations/*.ts up to date with the texts in the code (new texts come in unfinished,
# removed ones go). Translate the unfinished ones (Qt Linguist or any editor), then commit.
# With --check, changes nothing: fails and names every text without a finished translation.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
tables=$root/translations
check=false
if [ "${1:-}" = --check ]; then
    check=true
    tables=$(mktemp -d)
    trap 'rm -rf "$tables"' EXIT
    cp "$root"/translations/*.ts "$tables"/
fi

# Locations would churn with every edit of the code and make merges of the tables harder.
update() { "$lupdate" -silent -locations none -no-obsolete -source-language en "$@" 2>&1; }
warnings=$(
    update "$root/ParcelKit" -ts "$tables/parcelkit_de.ts"
    update "$root/Parcella" -ts "$tables/parcella_de.ts"
    # English is the source text; its table only supplies the plural forms ("1 file").
    update -pluralonly "$root/Parcella" -ts "$tables/parcella_en.ts"
)
[ -n "$warnings" ] && echo "$warnings" >&2
$check || exit 0

python3 - "$tables" "$warnings" <<'EOF'
import pathlib, sys, xml.etree.ElementTree as ET

tables, warnings = pathlib.Path(sys.argv[1]), sys.argv[2]
missing = []
for table in sorted(tables.glob("*.ts")):
    for context in ET.parse(table).getroot().iter("context"):
        for message in context.iter("message"):
            translation = message.find("translation")
            kind = translation.get("type")
            if kind in ("obsolete", "vanished"):
                continue
            forms = [f.text for f in translation.iter("numerusform")] or [translation.text]
            if kind == "unfinished" or not all(forms):
                missing.append(f'{table.name}  {context.findtext("name")}  '
                               f'"{message.findtext("source")}"')
if missing:
    print(f"{len(missing)} texts have no finished translation:", *missing, sep="\n  ")
    print("Run scripts/update-translations.sh, translate them in translations/ and commit.")
if warnings:
    print("lupdate could not read every text (see above).")
sys.exit(1 if missing or warnings else 0)
EOF
