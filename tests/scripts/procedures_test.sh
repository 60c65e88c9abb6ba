#!/usr/bin/env bash
# No procedure of the program or of its tools runs past 100 lines, from its
# signature's first line to its closing brace: a longer one is read by
# scrolling, and is better told as the steps it takes, each named. The code
# puts a procedure's braces alone at column 0; a procedure opened on its
# signature's line, `int main(...) {`, is measured all the same. Prints each
# procedure too long; fails when there is one.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/common.sh"
folders=(surface display launcher brand tools preview testing bench)
limit=100

# Prints "file:line name length" for every procedure in the files given, or
# in standard input. A signature starts after a blank line, a comment, a
# preprocessor line, or a line ending a statement or a block.
measure() {
    awk '
    function restart() { signature = ""; first = FNR + 1 }
    FNR == 1 { inside = 0; restart() }
    inside {
        if ($0 ~ /^}/) {
            print FILENAME ":" first " " name " " (FNR - first + 1)
            inside = 0
            restart()
        }
        next
    }
    /^\{[ \t]*$/ || (/^[A-Za-z_].*\)[^;=]*\{[ \t]*$/ && !/^(struct|enum|class|union|namespace|extern)[ \t]/) {
        name = signature " " $0
        gsub(/__attribute__\(\(([^()]|\([^()]*\))*\)\)/, "", name)
        sub(/\(.*/, "", name)
        count = split(name, words, /[ \t*&]+/)
        name = words[count]
        inside = 1
        next
    }
    {
        line = $0
        sub(/[ \t]*\/\/.*$/, "", line)
        if (line ~ /^[ \t]*$/ || line ~ /^[ \t]*(#|\/\*|\*)/ || line ~ /[;{}][ \t]*$/)
            restart()
        else
            signature = signature " " line
    }' "$@"
}

# The procedures over the limit, as "name length".
over() { awk -v limit="$limit" '$3 > limit { print $2, $3 }'; }

# A procedure of $2 lines named $1, its brace alone or, with kr, on the
# signature's line; a comment and a blank line before it are not its own.
sample() {
    echo "// $1"
    echo
    if [ "$3" = kr ]; then
        echo "int $1(int a) {"
        body=$(($2 - 2))
    else
        printf 'int %s(int a,\n       int b)\n{\n' "$1"
        body=$(($2 - 4))
    fi
    for ((k = 0; k < body; ++k)); do echo "    a += 1;"; done
    echo "}"
}

# The measure itself, on procedures of known lengths either side of the limit.
expected=$'Long 101\nMain 101'
got=$({ sample Fits 100 alone; sample Long 101 alone; sample Short 100 kr; sample Main 101 kr; } |
      measure | over)
[ "$got" = "$expected" ] ||
    die "BROKEN: the measure finds [$got] over $limit lines in its samples, not [$expected]"

cd "$root" || die "cannot enter $root"
files=$(find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
long=0
while read -r where name length; do
    [ "$length" -gt "$limit" ] || continue
    echo "TOO LONG: $where $name, $length lines ($limit at the most)"
    long=$((long + 1))
done < <(measure $files)

[ "$long" -eq 0 ] || die "$long procedures over $limit lines, above"
echo "procedures: $(measure $files | wc -l) measured, none over $limit lines"
