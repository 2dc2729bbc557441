// The behaviour of Trelk's HTML pages, written into each page as it is. Everything a page shows
// is in its HTML; this only narrows, sorts and folds it, and works on any page kind from markup
// alone:
//   table.sortable      a header cell with data-sort="text" or "number" sorts by its column; the
//                       one with aria-sort="ascending" is the order the rows come in. A number
//                       is an integer, a + before it allowed; a cell without one sorts first
//   table.narrowable    rows narrowed by the name in their first cell. A tbody whose first row
//                       starts with th scope="rowgroup" is a group: its heading row stays while a
//                       row of the group does, and a name that the heading holds keeps the group.
//                       With data-members, the assemblies that the second cell names (li > a or
//                       li > span, not .chg) keep the row too: the members of a named assembly
//   ul.tree             nested entries (li; a sub-assembly's in details > .piece > ul, the list
//                       cut into pieces) narrowed by name; an entry stays while one below it does,
//                       and the entries right below a sub-assembly that the filter names stay
//   #filter             the text every table and tree is narrowed by
//   input[data-only]    a switch: while it is checked, only rows and entries that carry the
//                       attribute data-WORD stay (data-only="WORD"); checked in the markup, it
//                       holds from the start
//   div.later           a piece held as the text of its noscript: made into elements when it
//                       comes near the window (and is not hidden by the filter) or a link leads
//                       into it; all of them before printing. One of class held stands apart, in
//                       div.held after its tree: it belongs where div.slot#sN is (N its own id's
//                       number), in the piece data-at; its list is that of data-of, whose entry is
//                       in the piece data-in. The filter reads its text into an
//                       index instead, and a sorted table is written again as such pieces.
//                       table.piece-of tables made from them belong to the table before them
//   data-rows           on a table or tree: its rows, made or not, for the filter's count
// The names are read while the page is idle after it is ready, or when the filter is first used,
// so a large page is ready as soon as it is parsed; long work runs in slices between which the
// page takes input.
"use strict";
(() => {
  const filterBox = document.getElementById("filter");
  const status = document.getElementById("filter-status");
  const views = [];
  const made = []; // the elements of the pieces made, in the order they were made

  // The slots of held pieces in the document, by id: a key press looks up thousands of them, most
  // of them still text, which the document would be searched for each time.
  const slots = new Map();
  function slotOf(later, index) {
    const id = index ? index.slot || (index.slot = "s" + later.id.slice(1)) : "s" + later.id.slice(1);
    const slot = slots.get(id);
    return slot && slot.isConnected ? slot : null;
  }
  // A piece's text with the pieces held apart for its slots in their places, for making all at
  // once: one text parsed instead of thousands placed one by one. Those used go to `spliced`.
  function wholeText(later, spliced) {
    return pieceText(later).replace(/<div class="slot" id="s(\d+)">[^]*?<\/div>/g, (slot, n) => {
      const held = document.getElementById("p" + n);
      if (!held || !held.classList.contains("held")) return slot;
      spliced.push(held);
      return wholeText(held, spliced).replace(/^<p class="of">[^]*?<\/p>/, "");
    });
  }
  function make(later, whole) {
    if (!later.isConnected) return;
    let place = later;
    if (later.classList.contains("held")) {
      // Its slot is in a piece that may be held still.
      place = slotOf(later);
      const at = place ? null : document.getElementById(later.dataset.at);
      if (at && at.matches("div.later")) make(at);
      place = place || slotOf(later);
      if (!place) return;
    }
    const template = document.createElement("template");
    const spliced = [];
    template.innerHTML = whole ? wholeText(later, spliced) : pieceText(later);
    const back = template.content.querySelector(":scope > p.of");
    if (back) back.remove();
    later.madeAt = made.length; // where its elements start in `made`
    made.push(...template.content.children);
    // In a tree unfolded whole, what comes later comes unfolded.
    const tree = place.closest("ul.tree");
    if (tree && tree.unfolded) for (const details of template.content.querySelectorAll("details")) details.open = true;
    for (const slot of template.content.querySelectorAll("div.slot")) {
      slots.set(slot.id, slot);
      const held = document.getElementById("p" + slot.id.slice(1));
      slot.hidden = Boolean(held && held.hidden);
      if (nearWindow) nearWindow.observe(slot);
    }
    pieceIndexes.delete(later);
    place.replaceWith(template.content);
    if (place !== later) later.remove();
    for (const held of spliced) {
      held.madeAt = later.madeAt;
      pieceIndexes.delete(held);
      held.remove();
    }
  }
  // Pieces come near the window a few at a time as the page scrolls, but dozens at once when a
  // filter that hid them is cleared: those are made a few per task, so that the page still takes
  // input and paints between them.
  const toMake = [];
  function makeNear() {
    const end = performance.now() + 20;
    let any = false;
    while (toMake.length && (!any || performance.now() < end)) {
      const target = toMake.shift();
      if (!target.isConnected) continue;
      const slot = target.classList.contains("slot");
      const later = slot ? document.getElementById("p" + target.id.slice(1)) : target;
      if (later) make(later);
      any = true;
    }
    if (toMake.length) {
      resumes.push(makeNear);
      channel.port2.postMessage(0);
    }
    // A piece that comes into view while the filter is in force is narrowed as it is made, or
    // when the narrowing under way ends.
    if (any && currentCondition().keep) {
      if (running) again = true;
      else refresh(false);
    }
  }
  const nearWindow =
    "IntersectionObserver" in window
      ? new IntersectionObserver(
          (entries) => {
            const waiting = toMake.length > 0; // a task to make them is already asked for
            for (const entry of entries)
              if (entry.isIntersecting && entry.target.isConnected) {
                nearWindow.unobserve(entry.target);
                toMake.push(entry.target);
              }
            if (!waiting && toMake.length) makeNear();
          },
          { rootMargin: "1500px 0px" }
        )
      : null;

  // A table and the tables of its later pieces, in order.
  function tablesOf(table) {
    const tables = [table];
    for (let e = table.nextElementSibling; e && e.matches("table.piece-of, div.later"); e = e.nextElementSibling)
      if (e.tagName === "TABLE") tables.push(e);
    return tables;
  }
  function bodiesOf(table) {
    return tablesOf(table).flatMap((t) => Array.from(t.tBodies));
  }

  // The element that holds an entry's name: its b, in the summary for a sub-assembly that unfolds.
  function entryName(li) {
    let box = li.firstElementChild;
    box = box && box.tagName === "DETAILS" ? box.firstElementChild : li;
    for (let e = box && box.firstElementChild; e; e = e.nextElementSibling) if (e.tagName === "B") return e;
    return null;
  }

  // A view's items are read once, and the items of each piece as it is made: the views keep their
  // place in `made`, the pieces made so far.
  function tableView(table) {
    const members = "members" in table.dataset;
    const view = {
      root: table,
      items: null,
      seen: 0,
      update(end) {
        if (!view.items) {
          Object.assign(view, { items: [], names: [], parent: [], parents: members ? [] : null, grouped: false });
          view.seen = made.length;
          for (const body of bodiesOf(table)) addBody(body);
        }
        for (const start = view.seen; view.seen < made.length; ++view.seen) {
          if (view.seen > start && performance.now() > end) break;
          const node = made[view.seen];
          if (node.tagName === "TABLE" && node.isConnected && rootOf(node) === table)
            for (const body of node.tBodies) addBody(body);
        }
        // The rows of a group hang below its heading as a tree's entries do.
        view.up = view.grouped ? view.parent : null;
        return view.seen === made.length;
      },
    };
    function addBody(body) {
      const first = body.rows[0];
      const heading = first && first.cells[0].getAttribute("scope") === "rowgroup" ? view.items.length : -1;
      view.grouped = view.grouped || heading >= 0;
      for (const row of body.rows) {
        view.parent.push(row === first ? -1 : heading);
        view.items.push(row);
        view.names.push(row.cells[0].textContent.toLowerCase());
        // The assemblies the row's item is used in, one text, each name on a line of its own.
        if (members)
          view.parents.push(Array.from(row.cells[1].querySelectorAll(":scope li > a, :scope li > span:not(.chg)"),
                                       (e) => e.textContent.toLowerCase()).join("\n"));
      }
    }
    return view;
  }
  // The first table of the one that a made piece belongs to.
  // Each piece walked keeps the answer: reading a table's hundreds of pieces one after the other
  // would otherwise walk back over all those before each.
  function rootOf(piece) {
    const walked = [];
    let e = piece;
    while (e && e.matches("table.piece-of, div.later")) {
      if (e.tableRoot && e.tableRoot.isConnected) {
        e = e.tableRoot;
        break;
      }
      walked.push(e);
      e = e.previousElementSibling;
    }
    for (const w of walked) w.tableRoot = e;
    return e;
  }

  function treeView(root) {
    const view = {
      root,
      items: null,
      seen: 0,
      tree: true,
      parents: null,
      update(end) {
        if (!view.items) {
          Object.assign(view, { items: [], up: [], names: [], index: new Map() });
          view.seen = made.length;
          add(Array.from(root.children), -1);
        }
        for (const start = view.seen; view.seen < made.length; ++view.seen) {
          if (view.seen > start && performance.now() > end) break;
          const node = made[view.seen];
          if (node.isConnected && root.contains(node)) {
            const li = node.parentElement.closest("li");
            add(Array.from(node.querySelectorAll(":scope > ul > li")), view.index.has(li) ? view.index.get(li) : -1);
          }
        }
        return view.seen === made.length;
      },
    };
    // The entries given and those below them, depth first with an explicit stack: every entry
    // after the one above it, whatever the depth.
    function add(entries, up) {
      const pending = entries.reverse().map((li) => [li, up]);
      while (pending.length) {
        const [li, above] = pending.pop();
        const index = view.items.length;
        view.items.push(li);
        view.up.push(above);
        view.index.set(li, index);
        const name = entryName(li);
        view.names.push(name ? name.textContent.toLowerCase() : "");
        const details = li.firstElementChild;
        if (details && details.tagName === "DETAILS") {
          const below = details.querySelectorAll(":scope > .piece > ul > li");
          for (let k = below.length - 1; k >= 0; --k) pending.push([below[k], index]);
        }
      }
    }
    return view;
  }

  // What keeps an item now: its name holds the filter text, and it carries the attributes of the
  // checked switches; keep is null when all stay.
  function currentCondition() {
    const text = filterBox ? filterBox.value.trim().toLowerCase() : "";
    const only = Array.from(document.querySelectorAll("input[data-only]:checked"), (s) => "data-" + s.dataset.only);
    const named = (view, i) => !text || view.names[i].includes(text);
    const inNamed = (view, i) => Boolean(text) && view.parents !== null && view.parents[i].includes(text);
    const marked = (view, i) => only.every((a) => view.items[i].hasAttribute(a));
    const keep = !text && only.length === 0 ? null : (view, i) => named(view, i) && marked(view, i);
    return { keep, named, inNamed, marked, text, only, search: text ? searchFor(text) : null };
  }

  // A later piece is not made for the filter: its rows are read once from its text into an index,
  // which says how many rows the condition keeps in it. A piece that keeps none hides; the others
  // stay, to be made (and narrowed) when they come near the window. Per row or entry: its start tag
  // (for the switches' attributes), the row or entry it hangs below in the piece (-1: none; in the
  // tree the entry that holds the piece), and where its name and, with data-members, the
  // assemblies it is used in stand in the piece's text.
  // A large page holds a million rows, so the index keeps no text of its own when it can help it:
  // a piece of ASCII text whose names hold no markup is searched as it is written (the filter's
  // text escaped as the page escapes it, case ignored), and only the places of its names are kept,
  // `spans`: start, end, row * 2 + 1 for an assembly the row is used in. Any other piece keeps its
  // names in lower case as one text, each ended by a line feed, with where each starts.
  const pieceIndexes = new Map();
  const unescaped = { "&amp;": "&", "&lt;": "<", "&gt;": ">", "&quot;": '"', "&#39;": "'", "&#13;": "\r" };
  const escapes = { "&": "&amp;", "<": "&lt;", ">": "&gt;", '"': "&quot;", "'": "&#39;", "\r": "&#13;" };
  function cellText(html) {
    return html.replace(/<[^>]*>/g, "").replace(/&(?:amp|lt|gt|quot|#39|#13);/g, (e) => unescaped[e]).trim();
  }
  // A piece's text: its noscript's text node as the parser left it (reading textContent would copy
  // it, megabytes over a large page).
  function pieceText(later) {
    const noscript = later.firstElementChild;
    if (!noscript) return "";
    const node = noscript.firstChild;
    return node && !node.nextSibling && node.nodeType === Node.TEXT_NODE ? node.data : noscript.textContent;
  }
  // A start tag as the switches read it: only one with data- attributes is kept, which saves a
  // string per row on a page without switches.
  function tagOf(tag) {
    return tag.includes(" data-") ? tag : "";
  }
  function pieceIndex(later) {
    let index = pieceIndexes.get(later);
    if (index) return index;
    const raw = pieceText(later);
    index = { tags: [], up: [], parents: null, view: null, outer: null, ids: null, owner: null, held: false };
    // The text node's own text is the document's, not a copy: kept, it costs nothing.
    const node = later.firstElementChild && later.firstElementChild.firstChild;
    if (node && !node.nextSibling && node.nodeType === Node.TEXT_NODE) index.raw = raw;
    const spans = [];
    const held = later.classList.contains("held");
    index.held = held;
    const tree = held ? later.parentElement && later.parentElement.previousElementSibling : later.closest("ul.tree");
    let members = false;
    if (tree) {
      index.view = views.find((v) => v.root === tree);
      index.outer = held ? null : later.parentElement.closest("li");
      index.ids = new Map(); // the sub-assemblies' ids, to the entries that hold them
      const stack = [];
      for (const m of raw.matchAll(/<li(?=[\s>])([^>]*)>(<details[^>]*>)?|<\/details>|<b>(?:<a [^>]*>)?([^<]*)/g)) {
        if (m[0] === "</details>") {
          stack.pop();
        } else if (m[3] !== undefined) {
          const end = m.index + m[0].length;
          if (index.up.length) spans.push(end - m[3].length, end, (index.up.length - 1) * 2);
        } else {
          const row = index.up.length;
          index.up.push(stack.length ? stack[stack.length - 1] : -1);
          index.tags.push(tagOf(m[0]));
          if (m[2]) {
            const id = /id="?(t\d+)/.exec(m[2]);
            if (id) index.ids.set(id[1], row);
            stack.push(row);
          }
        }
      }
    } else {
      const root = rootOf(later);
      index.view = views.find((v) => v.root === root);
      members = Boolean(root) && "members" in root.dataset;
      // One pass over the tags that matter, with no string per row or cell: a sort writes the
      // pieces anew, and they are all read again before its count.
      const tag = /<tr(?=[\s>])[^>]*>|<tbody>|<t([dh])(?=[\s>])[^>]*>/g;
      // The row under way: where its first cell's content starts, where its second cell and its
      // third start or it ends, and where the second's content starts.
      let heading = -1, row = -1, cells = 0, first = 0, second = 0, secondContent = 0, third = 0;
      const endRow = (end) => {
        if (row < 0) return;
        if (cells === 1) second = end;
        if (cells === 2) third = end;
        if (cells >= 1) spans.push(first, second, row * 2);
        if (members && cells >= 2) {
          for (const m of raw.slice(secondContent, third).matchAll(/<(a|span)(?: href=[^>]*)?>([^<]*)<\/\1>/g)) {
            const close = secondContent + m.index + m[0].length - m[1].length - 3;
            spans.push(close - m[2].length, close, row * 2 + 1);
          }
        }
        row = -1;
      };
      for (let m; (m = tag.exec(raw)); ) {
        if (m[1] === undefined) {
          endRow(m.index);
          if (m[0] === "<tbody>") {
            heading = -1;
            continue;
          }
          row = index.up.length;
          cells = 0;
          index.up.push(heading);
          index.tags.push(tagOf(m[0]));
        } else if (row >= 0) {
          if (m[0].startsWith('<th scope="rowgroup"') && index.up[row] === heading) {
            index.up[row] = -1;
            heading = row;
          }
          const end = m.index + m[0].length;
          if (cells === 0) first = end;
          else if (cells === 1) [second, secondContent] = [m.index, end];
          else if (cells === 2) third = m.index;
          ++cells;
        }
      }
      endRow(raw.length);
    }
    index.count = index.up.length;
    let plain = !/[^\x00-\x7f]/.test(raw);
    for (let j = 0; plain && j < spans.length; j += 3) {
      const markup = raw.indexOf("<", spans[j]);
      plain = markup < 0 || markup >= spans[j + 1];
    }
    if (plain) {
      index.spans = (raw.length < 0x10000 && index.count < 0x8000 ? Uint16Array : Int32Array).from(spans);
    } else {
      const names = new Array(index.count).fill("");
      const parents = members ? Array.from({ length: index.count }, () => []) : null;
      for (let j = 0; j < spans.length; j += 3) {
        const name = cellText(raw.slice(spans[j], spans[j + 1])).toLowerCase();
        if (spans[j + 2] & 1) parents[spans[j + 2] >> 1].push(name);
        else names[spans[j + 2] >> 1] = name;
      }
      if (parents) index.parents = parents.map((list) => list.join("\n"));
      index.starts = new Int32Array(index.count + 1);
      let at = 0;
      names.forEach((name, i) => {
        index.starts[i] = at;
        at += name.length + 1;
      });
      index.starts[index.count] = at;
      index.text = names.join("\n") + "\n";
    }
    index.up = (index.count < 0x8000 ? Int16Array : Int32Array).from(index.up);
    if (index.tags.every((tag) => !tag)) index.tags = null;
    pieceIndexes.set(later, index);
    return index;
  }
  // Reads the indexes of the pieces given while the page is idle, and what ties each to the page,
  // which the filter's next key would look up otherwise; then calls `done`.
  function readWhileIdle(pieces, done) {
    if (!("requestIdleCallback" in window)) return;
    let next = 0;
    const read = (idle) => {
      while (next < pieces.length && idle.timeRemaining() > 1) {
        const later = pieces[next++];
        if (!later.isConnected) continue;
        const index = pieceIndex(later);
        ownerOf(later, index);
        if (index.held) slotOf(later, index);
      }
      if (next < pieces.length) requestIdleCallback(read);
      else if (done) done();
    };
    requestIdleCallback(read);
  }
  // The filter's text as a piece of ASCII text writes it, found whatever its case; null when it
  // cannot occur in one (a name in ASCII is ASCII in lower case too).
  function searchFor(text) {
    if (/[^\x00-\x7f]/.test(text)) return null;
    const written = text.replace(/[&<>"'\r]/g, (c) => escapes[c]);
    return new RegExp(written.replace(/[.*+?^${}()|[\]\\/]/g, "\\$&"), "gi");
  }
  // Whether the span j of a piece's text, where the text was found, holds it: one that holds a
  // character reference is read again, as "lt" is found in "&lt;".
  function spanHolds(raw, spans, j, text) {
    for (let k = spans[j]; k < spans[j + 1]; ++k)
      if (raw.charCodeAt(k) === 38) return cellText(raw.slice(spans[j], spans[j + 1])).toLowerCase().includes(text);
    return true;
  }
  function spanHas(raw, spans, j, text, search) {
    // Searched alone: searched in place, a text found nowhere in the name would be looked for to
    // the end of the piece.
    search.lastIndex = 0;
    return search.test(raw.slice(spans[j], spans[j + 1])) && spanHolds(raw, spans, j, text);
  }
  // The pieces in which a text occurs nowhere, for a few texts searched last: a text that holds
  // one of them occurs nowhere in them either, so each key typed searches fewer pieces.
  const misses = [];
  // Per row or entry of an index: 1 when its name holds the text (all do when there is none), 2
  // when one of the assemblies it is used in does; null when none does.
  function hitsIn(later, index, condition) {
    const { text } = condition;
    if (!text) return new Uint8Array(index.count).fill(1);
    if (misses.some((miss) => text.includes(miss.text) && miss.pieces.has(later))) return null;
    const hits = new Uint8Array(index.count);
    if (found(later, index, condition, hits)) return hits;
    let miss = misses.find((m) => m.text === text);
    if (!miss) {
      miss = { text, pieces: new WeakSet() };
      if (misses.push(miss) > 4) misses.shift();
    }
    miss.pieces.add(later);
    return null;
  }
  // Marks the hits; whether there is any.
  function found(later, index, condition, hits) {
    const { text, search } = condition;
    let any = false;
    if (index.spans) {
      const { spans } = index, n = spans.length;
      if (!search) return false;
      const raw = index.raw || pieceText(later);
      search.lastIndex = 0;
      // Matches come in order, as do the spans: no match crosses a span's edge, as the text
      // escaped holds no < or >.
      for (let j = 0, m; j < n && (m = search.exec(raw)); ) {
        const end = m.index + m[0].length;
        while (j < n && spans[j + 1] < end) j += 3;
        if (j < n && spans[j] <= m.index) {
          const hit = (spans[j + 2] & 1) + 1, row = spans[j + 2] >> 1;
          if (spanHolds(raw, spans, j, text)) {
            hits[row] |= hit;
            any = true;
          }
          search.lastIndex = spans[j + 1];
          j += 3;
        }
      }
      return any;
    }
    const { starts, parents } = index;
    let entry = 0;
    for (let at = index.text.indexOf(text); at >= 0; at = index.text.indexOf(text, at + 1)) {
      while (starts[entry + 1] <= at) ++entry;
      hits[entry] = 1;
      any = true;
    }
    if (parents)
      parents.forEach((list, i) => {
        if (list.includes(text)) {
          hits[i] |= 2;
          any = true;
        }
      });
    return any;
  }
  // Whether the name of the entry k of a piece holds the text.
  function nameHas(later, index, k, condition) {
    const { text, search } = condition;
    if (!index.spans) return index.text.slice(index.starts[k], index.starts[k + 1] - 1).includes(text);
    const { spans } = index;
    let low = 0, high = spans.length / 3;
    while (low < high) {
      const middle = (low + high) >> 1;
      if (spans[middle * 3 + 2] < k * 2) low = middle + 1;
      else high = middle;
    }
    return search !== null && low * 3 < spans.length && spans[low * 3 + 2] === k * 2 &&
      spanHas(index.raw || pieceText(later), spans, low * 3, text, search);
  }
  // The entries made that hold a list still held as text, as far as the indexes read tell: what a
  // first answer cannot decide for them without counting every piece held.
  const heldOwners = new WeakSet();
  // The entry that a held piece's list belongs to: made (an li), or in a piece still held (that
  // piece's index and the entry's place in it).
  // It is kept in the index while it stays: an entry made stays, a piece held stays until made. An
  // entry made carries its name in lower case, read once.
  function ownerOf(later, index) {
    const known = index.owner;
    if (known && (known.li || known.piece.isConnected)) return known;
    let owner = null;
    if (index.outer) {
      owner = { li: index.outer };
    } else if (later.classList.contains("held")) {
      const of = later.dataset.of, details = document.getElementById(of);
      if (details) {
        owner = { li: details.parentElement };
      } else {
        const piece = document.getElementById(later.dataset.in);
        if (!piece || !piece.matches("div.later")) return null;
        const pieceIndexOf = pieceIndex(piece), k = pieceIndexOf.ids.get(of);
        if (k === undefined) return null;
        owner = { piece, index: pieceIndexOf, k };
      }
    }
    if (owner && owner.li) {
      heldOwners.add(owner.li);
      const name = entryName(owner.li);
      owner.name = name === null ? null : name.textContent.toLowerCase();
    }
    if (owner) index.owner = owner;
    return owner;
  }
  // How many of a piece's rows the condition keeps, as narrow() decides for rows made; `below`
  // marks the entries with something kept in a piece held apart.
  function keptIn(later, index, condition, owner, below) {
    const { tags, up } = index, { text } = condition;
    let hits = hitsIn(later, index, condition);
    const marks = condition.only.map((a) => " " + a);
    let outerNamed = false;
    if (text && owner && owner.li) {
      outerNamed = owner.name !== null && owner.name.includes(text);
    } else if (text && owner) {
      outerNamed = nameHas(owner.piece, owner.index, owner.k, condition);
    }
    // Most pieces hold nothing the filter names: they keep nothing, unless their list's entry is named
    // or a piece below keeps something.
    if (hits === null) {
      if (!outerNamed && below === null) return 0;
      hits = new Uint8Array(index.count);
    }
    if (below === null) below = new Uint8Array(index.count);
    let kept = 0;
    for (let i = index.count - 1; i >= 0; --i) {
      const marked = marks.length === 0 || (tags !== null && marks.every((a) => tags[i].includes(a)));
      const hit = marked && (hits[i] & 1) === 1;
      const member = marked && Boolean(text) &&
        ((up[i] >= 0 ? (hits[up[i]] & 1) === 1 : outerNamed) || (hits[i] & 2) === 2);
      if (hit || member || below[i]) {
        ++kept;
        if (up[i] >= 0) below[up[i]] = 1;
      }
    }
    return kept;
  }
  // What each piece keeps under the condition last counted: it stays the same while the condition
  // does, and pieces made as the filter unfolds sub-assemblies would otherwise have every piece
  // counted again, round after round.
  let keptCache = { key: null, kept: new WeakMap() };
  // The pieces held, in the order the filter counts them: read once, and again when a sort has
  // written new ones (a piece made leaves the document, and is passed over).
  let laterPieces = null;
  function* hideUnwanted(condition) {
    const key = condition.text + "\n" + condition.only.join(" ");
    if (keptCache.key !== key) keptCache = { key, kept: new WeakMap() };
    // What each piece held keeps, with its view: a piece made before its view's rows are counted
    // (near the window, as the filter moved the rows) has its rows counted as elements instead.
    condition.laterKept = [];
    condition.wantedIn = new Set(); // the tree's entries that hold a piece that keeps something
    condition.keptBelow = []; // the pieces that keep something below an entry still held as text
    const belowIn = new Map(); // by piece: its entries that hold a piece held apart that keeps something
    // The pieces held apart come after the tree, each before the one that holds its entry: they go
    // first, so that a piece knows what is kept in those below its entries.
    if (!laterPieces)
      laterPieces = [...document.querySelectorAll("div.held > div.later"), ...document.querySelectorAll("div.later:not(.held)")];
    const pieces = laterPieces;
    let done = 0;
    for (const later of pieces) {
      if ((++done & 7) === 0) yield;
      if (!later.isConnected) continue; // made meanwhile: its rows are narrowed as made
      const index = pieceIndex(later);
      const owner = ownerOf(later, index);
      let kept = keptCache.kept.get(later);
      if (kept === undefined) {
        const marked = belowIn.get(later);
        let below = null;
        if (marked) {
          below = new Uint8Array(index.count);
          for (const k of marked) below[k] = 1;
        }
        kept = keptIn(later, index, condition, owner, below);
        keptCache.kept.set(later, kept);
      }
      // Set only when it changes: setting it costs the browser a look at the element's style.
      const hide = kept === 0;
      if (later.hidden !== hide) later.hidden = hide;
      if (index.held) {
        const slot = slotOf(later, index);
        if (slot && slot.hidden !== hide) slot.hidden = hide;
      }
      if (kept) {
        condition.laterKept.push(later, index.view, kept);
        if (owner && owner.li) condition.wantedIn.add(owner.li);
        else if (owner) {
          condition.keptBelow.push(later, index);
          if (!belowIn.has(owner.piece)) belowIn.set(owner.piece, []);
          belowIn.get(owner.piece).push(owner.k);
        }
      }
    }
  }
  // Shown again five hundred at a time, each lot laid out in a frame of its own: all of a large
  // page's at once took one task of a fifth of a second.
  function* showLater() {
    let done = 0;
    for (const later of document.querySelectorAll("div.later[hidden], div.slot[hidden]")) {
      later.hidden = false;
      if (++done % 500 === 0) yield paint;
    }
  }
  // The pieces given made, and narrowed by the condition in force.
  function makeNarrowed(pieces, whole) {
    for (const later of pieces) make(later, whole);
    if (pieces.length && currentCondition().keep) refresh(true);
  }
  function laterOf(table) {
    const pieces = [];
    for (let e = table.nextElementSibling; e && e.matches("table.piece-of, div.later"); e = e.nextElementSibling)
      if (e.tagName === "DIV") pieces.push(e);
    return pieces;
  }
  // The piece that holds the id, as the page writes ids.
  function laterWith(id) {
    const written = new RegExp(`id="?${id.replace(/[^\w-]/g, "")}[">]`);
    for (const later of document.querySelectorAll("div.later"))
      if (written.test(pieceText(later))) return [later];
    return [];
  }

  // The sub-assemblies that a condition unfolded, to fold again when it is gone.
  let unfoldedByCondition = new Set();

  // Hides the items the condition does not keep (in a tree, those with nothing kept below them
  // either; in a group, those whose heading the filter does not name either); unfolds the
  // sub-assemblies that lead to a kept entry, and folds them back when the condition is gone.
  // Returns how many items stay.
  // A generator: it yields now and then, where the work may pause.
  function* narrow(view, condition, counts) {
    // The rows of pieces made since are read first, thousands of them after printing was prepared.
    while (!view.update(performance.now() + 10)) yield;
    const seen = made.length; // the pieces made after this are not among the items counted here
    // A piece that holds the entry of a list counted may have been made since (near the window):
    // that entry is an element now, and stays for what its list keeps.
    if (view.tree && condition.keptBelow)
      for (let j = 0; j < condition.keptBelow.length; j += 2) {
        const owner = ownerOf(condition.keptBelow[j], condition.keptBelow[j + 1]);
        if (owner && owner.li) condition.wantedIn.add(owner.li);
      }
    const { keep, named, inNamed, marked } = condition;
    const byParent = view.grouped || view.tree;
    const { items, up: parent } = view;
    const n = items.length;
    const below = parent ? new Uint8Array(n) : null;
    // Decided from the last item up, as an entry stays for what stays below it; shown from the
    // first down, a hundred rows a frame: rows shown again are laid out, and after a filter
    // that hid them all every piece of a table is near the window at once.
    const decided = new Uint8Array(n); // 1: shown, 2: named itself
    let shown = 0;
    for (let i = n - 1; i >= 0; --i) {
      if ((i & 511) === 0) yield;
      if (below !== null && condition.wantedIn && condition.wantedIn.has(items[i])) below[i] = 1;
      const hit = !keep || keep(view, i);
      // A member of an assembly that the filter names: in its group or below it in the tree, or
      // named in the row.
      const member = Boolean(keep) && marked(view, i) &&
        ((byParent && parent[i] >= 0 && Boolean(condition.text) && named(view, parent[i])) || inNamed(view, i));
      let show = hit || member || (below !== null && below[i] === 1);
      // A first answer leaves an entry whose list is still text as it was, until the count of the
      // pieces says whether it stays.
      if (!show && condition.first && view.tree && !items[i].hidden && heldOwners.has(items[i])) show = true;
      if (show) ++shown;
      if (show && parent && parent[i] >= 0) below[parent[i]] = 1;
      decided[i] = (show ? 1 : 0) | (hit ? 2 : 0);
    }
    let unhidden = 0;
    for (let i = 0; i < n; ++i) {
      if ((i & 511) === 0) yield;
      const li = items[i], show = (decided[i] & 1) === 1, hit = (decided[i] & 2) === 2;
      if (li.hidden === show) {
        li.hidden = !show;
        if (show && ++unhidden % 100 === 0) yield paint;
      }
      if (parent) {
        li.classList.toggle("hit", Boolean(keep) && hit);
        li.classList.toggle("context", Boolean(keep) && !hit && show);
        const details = li.firstElementChild;
        if (details && details.tagName === "DETAILS" && keep && below[i] && !details.open) {
          details.open = true;
          unfoldedByCondition.add(details);
        }
      }
    }
    counts.push([shown, Number(view.root.dataset.rows) || n, seen]);
  }

  // Where a view says that the condition empties it.
  function emptyNote(view) {
    if (!view.empty) {
      view.empty = document.createElement("p");
      view.empty.className = "none";
      let last = view.root;
      while (last.nextElementSibling && last.nextElementSibling.matches("table.piece-of, div.later"))
        last = last.nextElementSibling;
      last.after(view.empty);
    }
    return view.empty;
  }

  // Long work is cut into slices of a few milliseconds, between which the page takes input and
  // paints; work that newer work makes useless stops at its next slice. A link needs its target
  // shown at once, and printing every row: they run whole.
  // A new condition on a page with pieces held is answered in two steps: the rows made (those in
  // and near the window) at once, with "Searching…" in the status, then the count of every piece
  // held, in slices. The same condition again (a piece made as it came near the window) has
  // nothing new to show first.
  const channel = new MessageChannel(), resumes = [];
  channel.port1.onmessage = () => resumes.shift()();
  const paint = {}; // yielded where the slice ends early, for the browser to paint a first answer
  let jobs = 0, running = false, again = false, answered = null;
  let sorting = null; // the sort under way, if any
  function conditionKey(condition) {
    return condition.text + "\n" + condition.only.join(" ");
  }
  function refresh(whole) {
    // A sort under way counts when it is done.
    if (sorting && !whole) return;
    finishSorting();
    const condition = currentCondition();
    const first = !whole && conditionKey(condition) !== answered && document.querySelector("div.later") !== null;
    const job = ++jobs, work = refreshing(condition, first);
    running = true;
    const finished = () => {
      running = false;
      if (again) {
        again = false;
        refresh(false);
      }
    };
    if (whole) {
      while (!work.next().done);
      finished();
      return;
    }
    const step = () => {
      if (job !== jobs) return;
      const end = performance.now() + 10;
      while (performance.now() < end) {
        const next = work.next();
        if (next.done) {
          finished();
          return;
        }
        if (next.value === paint) break;
      }
      resumes.push(step);
      channel.port2.postMessage(0);
    };
    step();
  }

  function* refreshing(condition, first) {
    const { keep, text } = condition;
    if (first) {
      // Every row coming back is shown a frame at a time from the top: the status says so first.
      if (!keep && status) status.value = "Showing every row\u2026";
      // Nothing is said to match nothing before every piece is counted.
      for (const view of views) if (view.empty) view.empty.hidden = true;
      condition.first = true;
      const counts = [];
      for (const view of views) yield* narrow(view, condition, counts);
      condition.first = false;
      document.body.classList.toggle("narrowed", Boolean(keep));
      const shown = counts.reduce((sum, count) => sum + count[0], 0);
      if (status) status.value = keep ? `Searching\u2026 ${shown} rows shown so far` : `Showing every row\u2026 ${shown} so far`;
      yield paint;
    }
    if (keep) yield* hideUnwanted(condition);
    else yield* showLater();
    const counts = [];
    for (const view of views) yield* narrow(view, condition, counts);
    let shown = 0, total = 0;
    const laterKept = new Map(), seen = new Map(views.map((view, v) => [view, counts[v][2]]));
    const pieces = keep ? condition.laterKept : [];
    for (let j = 0; j < pieces.length; j += 3) {
      const [later, view, kept] = [pieces[j], pieces[j + 1], pieces[j + 2]];
      if (later.isConnected || later.madeAt >= seen.get(view)) laterKept.set(view, (laterKept.get(view) || 0) + kept);
    }
    views.forEach((view, v) => {
      const s = counts[v][0] + (laterKept.get(view) || 0), t = counts[v][1];
      shown += s;
      total += t;
      if (keep && s === 0) {
        emptyNote(view).textContent = text ? "No name matches." : "Nothing differs.";
        view.empty.hidden = false;
      } else if (view.empty) {
        view.empty.hidden = true;
      }
    });
    if (!keep) {
      for (const details of unfoldedByCondition) details.open = false;
      unfoldedByCondition = new Set();
    }
    document.body.classList.toggle("narrowed", Boolean(keep));
    if (status) status.value = keep ? `${shown} of ${total} rows shown` : `All ${total} rows shown`;
    answered = conditionKey(condition);
  }

  let pending = 0;
  function refreshSoon() {
    ++jobs; // the search under way answers what is no longer asked: it stops at its next slice
    answered = null; // and what the page shows is its own, whatever the text was answered last
    clearTimeout(pending);
    pending = setTimeout(() => refresh(false), 0);
  }

  // A cell's integer as written, without a + before it; null when the cell holds none.
  function integerKey(text) {
    const digits = text[0] === "+" ? text.slice(1) : text;
    return /^-?[0-9]+$/.test(digits) ? digits : null;
  }
  // Integers as written, any length: the sign, then the number of digits, then the digits. No
  // integer comes before any.
  function compareIntegers(a, b) {
    if (a === null || b === null) return (a !== null) - (b !== null);
    const negativeA = a[0] === "-", negativeB = b[0] === "-";
    if (negativeA !== negativeB) return negativeA ? -1 : 1;
    const order = a.length - b.length || (a < b ? -1 : a > b ? 1 : 0);
    return negativeA ? -order : order;
  }

/* only with attribute columns: */
  // An attribute column prints decimals ("0.049", "-12.50"): each is keyed by its value's digits at
  // 18 decimals (no value printed has more), which compareIntegers orders as it orders integers.
  const kDecimals = 18;
  integerKey = (text) => {
    const number = /^\+?(-?)([0-9]+)(?:\.([0-9]*))?$/.exec(text);
    if (!number) return null;
    const digits = (number[2] + (number[3] || "").padEnd(kDecimals, "0")).replace(/^0+(?=[0-9])/, "");
    return digits === "0" ? digits : number[1] + digits;
  };
/* :only with attribute columns */
  function makeSortable(table) {
    const heads = table.tHead ? Array.from(table.tHead.rows[0].cells) : [];
    let inOrder = -1;
    // Told once: a sort under way leaves no piece after the table while it paints its first, and a
    // click then must still sort every piece, not the first one's rows in place.
    const inPieces = Boolean(table.nextElementSibling && table.nextElementSibling.matches("table.piece-of, div.later"));
    // What a table in pieces has read while the page is idle, so that its first sort answers as
    // soon as a later one: a key per row of each column that sorts.
    if (inPieces)
      keysToRead.push(() => heads.flatMap((th, column) =>
        th.dataset.sort && column !== inOrder ? [keysOf(table, column, th.dataset.sort === "number")] : []));
    heads.forEach((th, column) => {
      if (!th.dataset.sort) return;
      if (th.getAttribute("aria-sort") === "ascending") inOrder = column;
      const button = document.createElement("button");
      button.type = "button";
      while (th.firstChild) button.appendChild(th.firstChild);
      th.appendChild(button);
      button.addEventListener("click", () => {
        const descending = th.getAttribute("aria-sort") === "ascending";
        for (const other of heads) other.removeAttribute("aria-sort");
        th.setAttribute("aria-sort", descending ? "descending" : "ascending");
        if (inPieces) {
          sortPieces(table, column, column === inOrder, th.dataset.sort === "number", descending);
          return;
        }
        // The rows as the page first had them (every piece made): the order that the header cell
        // with aria-sort names.
        const bodies = bodiesOf(table);
        if (!table.rowsInOrder) table.rowsInOrder = bodies.flatMap((b) => Array.from(b.rows));
        const rows = table.rowsInOrder;
        const order = rows.map((_, i) => i);
        if (column !== inOrder) {
          const number = th.dataset.sort === "number";
          const keys = rows.map((row) => {
            const text = row.cells[column].textContent.trim();
            return number ? integerKey(text) : text;
          });
          const compare = number ? compareIntegers : (a, b) => (a < b ? -1 : a > b ? 1 : 0);
          const sign = descending ? -1 : 1;
          order.sort((a, b) => sign * compare(keys[a], keys[b]) || a - b);
        } else if (descending) {
          order.reverse();
        }
        // Each piece keeps as many rows as it had.
        const counts = bodies.map((body) => body.rows.length);
        let next = 0;
        bodies.forEach((body, b) => {
          const moved = document.createDocumentFragment();
          for (let k = counts[b]; k > 0; --k) moved.appendChild(rows[order[next++]]);
          body.appendChild(moved);
        });
      });
    });
  }

  // A table in pieces is sorted as text: its rows, read once as the markup they are written in,
  // are written again in the new order into pieces of their own, of which only the first is made;
  // the others wait as text, as the page's own pieces do, and are made as they come near the window.
  const kPieceRows = 250, kHiddenRun = 5;
  // Read by the first sort or, before it, while the page is idle: one reading of each, which
  // whoever needs it next carries on.
  function rowsAsText(table) {
    return table.rowsWork || (table.rowsWork = readRows(table));
  }
  function* readRows(table) {
    const rows = [];
    // A made row as the page wrote it: without what narrowing set, its CR as a reference, which
    // the parser would otherwise change.
    const rowsOf = (t) => {
      for (const body of t.tBodies)
        for (const row of body.rows)
          rows.push(row.outerHTML.replace(/^<tr([^>]*?) hidden=""/, "<tr$1").replace(/\r/g, "&#13;"));
    };
    rowsOf(table);
    // The pieces as they are now: one made between two slices leaves the document, and with it
    // the way to the pieces after it, but keeps its text.
    const pieces = [];
    for (let e = table.nextElementSibling; e && e.matches("table.piece-of, div.later"); e = e.nextElementSibling) pieces.push(e);
    for (const e of pieces) {
      yield;
      if (e.tagName === "TABLE") {
        rowsOf(e);
        continue;
      }
      // Its body cut out, not copied: the rows are slices of the page's own text.
      const raw = pieceText(e), from = raw.indexOf("<tbody>"), to = raw.lastIndexOf("</tbody>");
      const body = raw.slice(from < 0 ? 0 : from + 7, to < 0 ? raw.length : to);
      // Found by indexOf, not split by a pattern that looks ahead at every character: "<tr" stands
      // nowhere else in a piece's text, as every name is escaped.
      for (let at = body.indexOf("<tr"); at >= 0; ) {
        const next = body.indexOf("<tr", at + 3);
        rows.push(body.slice(at, next < 0 ? body.length : next));
        at = next;
      }
    }
    table.rowsAsText = rows;
  }
  function keysOf(table, column, number) {
    const work = table.keysWork || (table.keysWork = []);
    return work[column] || (work[column] = readKeys(table, column, number));
  }
  // A column's keys: numbers in a Float64Array when each is exact as one (15 digits at most; a cell
  // without one is -Infinity, first as compareIntegers puts it), else the cells' text or integers.
  // Most cells of a number column are a plain integer, read in place: a string made for each
  // would be garbage that grows the heap while the page is idle.
  function* readKeys(table, column, number) {
    yield* rowsAsText(table);
    const rows = table.rowsAsText;
    if (!table.sortKeys) table.sortKeys = [];
    let keys = number ? new Float64Array(rows.length) : null;
    for (let i = 0; keys && i < rows.length; ++i) {
      if ((i & 1023) === 0) yield;
      const value = plainInteger(rows[i], column);
      if (value !== undefined) {
        keys[i] = value;
        continue;
      }
      const key = integerKey(cellText(cellOf(rows[i], column)));
      if (key === null) keys[i] = -Infinity;
      else if (key.length <= 15) keys[i] = Number(key);
      else keys = null;
    }
    if (!keys) {
      keys = new Array(rows.length);
      for (let i = 0; i < rows.length; ++i) {
        if ((i & 1023) === 0) yield;
        const text = cellText(cellOf(rows[i], column));
        keys[i] = number ? integerKey(text) : text;
      }
    }
    table.sortKeys[column] = keys;
  }
  // The integer that a cell (counted from 0) holds alone, as a page writes it in a piece: a sign or
  // none, then 1 to 15 digits, then the next cell or the row's end. Else undefined.
  function plainInteger(row, column) {
    let at = 0;
    for (let k = 0; k <= column; ++k) {
      at = nextCell(row, at);
      if (at < 0) return undefined;
      at = row.indexOf(">", at) + 1;
      if (at === 0) return undefined;
    }
    let sign = 1, c = row.charCodeAt(at);
    if (c === 43 || c === 45) { // + -
      if (c === 45) sign = -1;
      c = row.charCodeAt(++at);
    }
    let value = 0, digits = 0;
    while (c >= 48 && c <= 57) {
      value = value * 10 + (c - 48);
      ++digits;
      c = row.charCodeAt(++at);
    }
    if (digits === 0 || digits > 15) return undefined;
    if (at === row.length || nextCell(row, at) === at) return sign * value;
    return undefined;
  }
  // Where the next cell's start tag begins, from `at` on, as cellTag finds it; -1 past the last.
  function nextCell(row, at) {
    for (;;) {
      at = row.indexOf("<t", at);
      if (at < 0) return -1;
      const c = row.charCodeAt(at + 2), d = row.charCodeAt(at + 3);
      if ((c === 100 || c === 104) && (d === 62 || /\s/.test(row[at + 3]))) return at;
      at += 2;
    }
  }
  // The markup of a row's cell (counted from 0) as the page writes it: found, not split off, as a
  // row's other cells may be long.
  const cellTag = /<t[dh](?=[\s>])[^>]*>/g;
  function cellOf(row, column) {
    cellTag.lastIndex = 0;
    for (let k = 0; k <= column; ++k) if (!cellTag.exec(row)) return "";
    const start = cellTag.lastIndex, next = cellTag.exec(row);
    return row.slice(start, next ? next.index : row.length);
  }
  // A sort runs in slices as the filter does, and answers first with the rows at the top of the
  // table, which the status says; then the other pieces are written. The filter waits for it:
  // it counts the new pieces once they are all there. A new sort stops the one under way; a link
  // followed or printing finishes it at once.
  function sortPieces(table, column, inOrder, number, descending) {
    const job = { work: sortingPieces(table, column, inOrder, number, descending) };
    sorting = job;
    if (status) status.value = "Sorting\u2026";
    const step = () => {
      if (sorting !== job) return;
      const end = performance.now() + 10;
      while (performance.now() < end) {
        const next = job.work.next();
        if (next.done) return;
        if (next.value === paint) break;
      }
      resumes.push(step);
      channel.port2.postMessage(0);
    };
    step();
  }
  function finishSorting() {
    const job = sorting;
    if (job) while (sorting === job && !job.work.next().done);
  }
  function* sortingPieces(table, column, inOrder, number, descending) {
    ++jobs; // a search under way would count pieces about to go
    yield* rowsAsText(table);
    const rows = table.rowsAsText;
    const order = rows.map((_, i) => i);
    if (!inOrder) {
      yield* keysOf(table, column, number);
      const keys = table.sortKeys[column];
      const compare = keys instanceof Float64Array ? (a, b) => a - b
        : number ? compareIntegers : (a, b) => (a < b ? -1 : a > b ? 1 : 0);
      const sign = descending ? -1 : 1;
      yield;
      order.sort((a, b) => sign * compare(keys[a], keys[b]) || a - b);
    } else if (descending) {
      order.reverse();
    }
    // What the condition in force keeps goes into pieces with the short runs between, the long runs
    // of what it hides into pieces of their own, which hide whole.
    const condition = currentCondition();
    const kept = new Uint8Array(rows.length);
    if (condition.keep) {
      const marks = condition.only.map((a) => new RegExp(`^<tr[^>]*\\s${a}[\\s=>]`));
      for (let i = 0; i < rows.length; ++i) {
        if ((i & 1023) === 0) yield;
        const row = rows[i];
        kept[i] = marks.every((m) => m.test(row)) &&
          (!condition.text || cellText(cellOf(row, 0)).toLowerCase().includes(condition.text));
      }
    }
    const group = new Uint8Array(rows.length);
    if (condition.keep) {
      for (let r = 0; r < rows.length;) {
        let end = r;
        while (end < rows.length && !kept[order[end]]) ++end;
        if (end - r < kHiddenRun) group.fill(1, r, end);
        group[end] = 1;
        r = end + 1;
      }
    }
    yield;
    for (let e = table.nextElementSibling; e && e.matches("table.piece-of, div.later"); e = table.nextElementSibling) {
      pieceIndexes.delete(e);
      e.remove();
    }
    const kind = table.className.replace(/\b(sortable|narrowable)\b/g, "").trim();
    const held = [];
    // Each piece goes before what follows the table: a piece written before it may have been made
    // meanwhile, as it came near the window, and is no longer there to follow.
    const parent = table.parentNode, after = table.nextElementSibling;
    for (let r = 0; r < rows.length;) {
      let end = r;
      while (end < rows.length && group[end] === group[r] && end - r < kPieceRows) ++end;
      const html = `<table class="${kind} piece-of"><tbody>` + order.slice(r, end).map((i) => rows[i]).join("") + "</tbody></table>";
      if (r === 0) {
        // The first table keeps its head and takes the first piece, so that the head sticks over it.
        const template = document.createElement("template");
        template.innerHTML = html;
        for (const body of Array.from(table.tBodies)) body.remove();
        table.append(template.content.firstElementChild.tBodies[0]);
        if (status) status.value = "Sorting\u2026 the rows at the top are in order";
        yield paint;
      } else {
        const later = document.createElement("div"), noscript = document.createElement("noscript");
        later.className = "later";
        later.tableRoot = table;
        noscript.textContent = html;
        later.append(noscript);
        parent.insertBefore(later, after);
        if (nearWindow) nearWindow.observe(later);
        held.push(later);
        yield;
      }
      r = end;
    }
    if (!rows.length) {
      for (const body of Array.from(table.tBodies)) body.remove();
      table.append(document.createElement("tbody"));
    }
    sorting = null;
    laterPieces = null;
    // Read as the page's own pieces are, so that the filter or the switch counts them at once.
    readWhileIdle(held);
    const view = views.find((v) => v.root === table);
    if (view) view.items = null;
    // The count again, which also says that the sort is done.
    refresh(false);
  }

  function setAllOpen(tree, open) {
    tree.unfolded = open;
    for (const details of tree.querySelectorAll("details")) details.open = open;
  }

  // Before a link is followed: a filter that hides its target is cleared, and the sub-assemblies
  // around it unfold, as does the target itself when it is one.
  function reveal(id) {
    if (!id) return;
    finishSorting();
    if (!document.getElementById(id)) makeNarrowed(laterWith(id));
    const target = document.getElementById(id);
    if (!target) return;
    // A sub-assembly led to shows its items at once.
    const slots = target.tagName === "DETAILS" ? target.querySelectorAll(":scope > div.slot") : [];
    makeNarrowed(Array.from(slots, (slot) => document.getElementById("p" + slot.id.slice(1))).filter(Boolean));
    if (target.closest("[hidden]")) {
      if (filterBox) filterBox.value = "";
      for (const s of document.querySelectorAll("input[data-only]:checked")) s.checked = false;
      refresh(true);
    }
    for (let e = target; e; e = e.parentElement) if (e.tagName === "DETAILS") e.open = true;
  }
  function hashOf(href) {
    return href && href[0] === "#" ? decodeURIComponent(href.slice(1)) : "";
  }

  for (const slot of document.querySelectorAll("div.slot")) slots.set(slot.id, slot);
  for (const table of document.querySelectorAll("table.narrowable")) views.push(tableView(table));
  for (const tree of document.querySelectorAll("ul.tree")) {
    views.push(treeView(tree));
    const tools = document.createElement("p");
    tools.className = "legend";
    for (const [label, open] of [["Unfold all", true], ["Fold all", false]]) {
      const button = document.createElement("button");
      button.type = "button";
      button.textContent = label;
      button.addEventListener("click", () => setAllOpen(tree, open));
      tools.append(button, " ");
    }
    tree.before(tools);
  }
  const keysToRead = [];
  for (const table of document.querySelectorAll("table.sortable")) makeSortable(table);
  for (const hidden of document.querySelectorAll(".tools[hidden]")) hidden.hidden = false;
  if (currentCondition().keep) refresh(false);
  document.addEventListener("input", (event) => {
    if (event.target === filterBox || event.target.matches("input[data-only]")) refreshSoon();
  });
  document.addEventListener("click", (event) => {
    const link = event.target.closest && event.target.closest("a[href^='#']");
    if (link) reveal(hashOf(link.getAttribute("href")));
  });
  window.addEventListener("hashchange", () => reveal(hashOf(location.hash)));
  // Printed, every sub-assembly is unfolded; afterwards they fold back as they were.
  let printOpen = null;
  window.addEventListener("beforeprint", () => {
    finishSorting();
    makeNarrowed(Array.from(document.querySelectorAll("div.later")), true);
    const all = Array.from(document.querySelectorAll(".tree details"));
    printOpen = all.map((d) => d.open);
    for (const d of all) d.open = true;
    printOpen.elements = all;
  });
  window.addEventListener("afterprint", () => {
    if (printOpen) printOpen.elements.forEach((d, i) => (d.open = printOpen[i]));
    printOpen = null;
  });
  // The browser prints as soon as beforeprint returns, so there every piece is made at once: seconds
  // of work on a large page, during which it takes no input. Asked for by its keys, printing makes
  // the pieces first in slices, between which the page takes input, and prints once they are all
  // made; the browser's own menu still prints by beforeprint alone.
  let preparing = false;
  document.addEventListener("keydown", (event) => {
    if (!(event.ctrlKey || event.metaKey) || event.altKey || event.shiftKey || event.key.toLowerCase() !== "p") return;
    if (!document.querySelector("div.later")) return;
    event.preventDefault();
    if (preparing) return;
    preparing = true;
    finishSorting();
    const shown = status ? status.value : "";
    if (status) status.value = "Making every row for printing\u2026";
    const pieces = Array.from(document.querySelectorAll("div.later"));
    let next = 0;
    // Longer slices than the filter's: each new slice lays out what the last one made.
    const later = (work) => {
      resumes.push(work);
      channel.port2.postMessage(0);
    };
    const print = () => {
      if (running) later(print);
      else window.print();
    };
    const step = () => {
      const end = performance.now() + 40;
      while (next < pieces.length && performance.now() < end) make(pieces[next++], true);
      if (next < pieces.length) return later(step);
      preparing = false;
      if (status) status.value = shown;
      // The rows made are narrowed by the condition in force, in slices too.
      if (currentCondition().keep) refresh(false);
      print();
    };
    step();
  });
  for (const later of document.querySelectorAll("div.later:not(.held)")) {
    if (nearWindow) nearWindow.observe(later);
    else make(later);
  }
  if (!nearWindow) for (const later of document.querySelectorAll("div.later.held")) make(later);
  // The pieces' indexes are read while the page is idle, so that the filter's first use is quick.
  // Then the views' own rows and entries, which the first key would read otherwise.
  readWhileIdle(Array.from(document.querySelectorAll("div.later")), () => {
    let next = 0;
    const read = (idle) => {
      while (next < views.length && idle.timeRemaining() > 1) views[next++].update(performance.now() + idle.timeRemaining());
      if (next < views.length) requestIdleCallback(read);
      else {
        document.documentElement.dataset.indexed = "";
        readKeysWhileIdle();
      }
    };
    requestIdleCallback(read);
  });
  // Then the sort keys: left to a sort under way, which carries on the reading of its own column.
  function readKeysWhileIdle() {
    const work = keysToRead.flatMap((keys) => keys());
    let next = 0;
    const read = (idle) => {
      while (!sorting && next < work.length && idle.timeRemaining() > 1) if (work[next].next().done) ++next;
      if (next < work.length) requestIdleCallback(read);
      else {
        document.documentElement.dataset.keyed = "";
        performance.mark("trelk-keyed");
      }
    };
    requestIdleCallback(read);
  }
  document.documentElement.classList.add("scripted");
  // The table heads stick below the filter bar, however many lines it takes.
  const bar = document.querySelector(".tools");
  if (bar && "ResizeObserver" in window)
    new ResizeObserver(() => document.documentElement.style.setProperty("--bar", bar.offsetHeight + "px")).observe(bar);
  if (location.hash) reveal(hashOf(location.hash));
  document.documentElement.dataset.ready = "";
  performance.mark("trelk-ready");
})();
