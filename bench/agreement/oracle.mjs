// The oracle of bench/agreement_bench: uBlock Origin's static network filtering engine, an
// established engine for lists in Adblock Plus syntax, used only to say what the lists block.
//
//   node oracle.mjs CORPUS.jsonl LIST.txt...
//
// CORPUS.jsonl holds one request a line, {"url": ..., "page": ..., "type": ...} with uBlock
// Origin's type names; the answer is one line a request, "1" when the lists block it, else "0".
import { readFileSync } from 'node:fs';
import { StaticNetFilteringEngine } from '@gorhill/ubo-core';

const [corpus, ...lists] = process.argv.slice(2);
const engine = await StaticNetFilteringEngine.create();
await engine.useLists(lists.map((path) => ({ name: path, raw: readFileSync(path, 'utf8') })));
const answers = [];
for (const line of readFileSync(corpus, 'utf8').split('\n')) {
    if (line === '') {
        continue;
    }
    const request = JSON.parse(line);
    answers.push(engine.matchRequest({ originURL: request.page, url: request.url, type: request.type }) === 1 ? '1' : '0');
}
process.stdout.write(answers.join('\n') + '\n');
