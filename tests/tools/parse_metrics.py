"""Reads the Prometheus text format on standard input with prometheus_client's
parser and prints what it understood as JSON: family name to its type and
samples. A text the parser rejects ends the program with an error."""
import json
import sys

from prometheus_client.parser import text_string_to_metric_families

families = {}
for family in text_string_to_metric_families(sys.stdin.read()):
    families[family.name] = {
        "type": family.type,
        "help": family.documentation,
        "samples": [{"name": s.name, "labels": s.labels, "value": s.value} for s in family.samples],
    }
json.dump(families, sys.stdout)
